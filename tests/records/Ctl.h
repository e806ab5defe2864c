// halyardctl run in-process, as the record tests run it: exit status, output, and the output's
// lines.
#pragma once

#include <sstream>
#include <string>
#include <vector>

#include "cli/Halyardctl.h"
#include "support/Paths.h"

namespace halyard::cli {

struct CtlRun {
  int code;
  std::string out;
  std::string err;
  std::vector<std::string> lines;
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

}  // namespace halyard::cli
