// halyardctl run in-process for the record tests, and run as a user who is not root: CI runs as
// root, who may read any file, so a file the station must not be able to read is tried as
// "nobody".
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Halyardctl.h"
#include "support/Paths.h"

namespace halyard::cli::testing {

struct CtlRun {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<std::string> lines;  // of out
};

inline CtlRun Halyardctl(const std::vector<std::string>& args) {
  std::ostringstream out, err;
  CtlRun run{HalyardctlMain(args, halyard::testing::SourceDir() / "config", out, err),
             out.str(),
             err.str(),
             {}};
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);)
    run.lines.push_back(line);
  return run;
}

// halyardctl with `args` in a child process, as "nobody" when this process is root; its output
// goes through files in `folder`, which that user must be able to write.
inline CtlRun HalyardctlAsAnotherUser(const std::vector<std::string>& args,
                                      const std::filesystem::path& folder) {
  constexpr uid_t kNobody = 65534;
  const std::filesystem::path outFile = folder / "child.out";
  const std::filesystem::path errFile = folder / "child.err";
  const pid_t pid = fork();
  if (pid == 0) {
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(99);
    const CtlRun run = Halyardctl(args);
    std::ofstream(outFile) << run.out;
    std::ofstream(errFile) << run.err;
    _exit(run.code);
  }
  int status = 0;
  waitpid(pid, &status, 0);
  CtlRun run;
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::stringstream out, err;
  out << std::ifstream(outFile).rdbuf();
  err << std::ifstream(errFile).rdbuf();
  run.out = out.str();
  run.err = err.str();
  std::istringstream lines(run.out);
  for (std::string line; std::getline(lines, line);)
    run.lines.push_back(line);
  return run;
}

}  // namespace halyard::cli::testing
