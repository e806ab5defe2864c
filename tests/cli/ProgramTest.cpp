// The built halyardctl program itself: exit statuses through the shell, and the
// configuration file found beside the executable.
#include <sys/wait.h>

#include <cstdio>

#include "app/Configuration.h"
#include "cli/CliHarness.h"

namespace halyard::cli::testing {
namespace {

// Runs the program with `args` (no quoting needed); stdout captured, stderr into `errFile`.
CliRun RunProgram(const std::string& args, const fs::path& errFile) {
  const std::string command =
      "'" + (BinDir() / "halyardctl").string() + "' " + args + " 2>'" + errFile.string() + "'";
  CliRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) return run;
  char buffer[4096];
  for (size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errFile);
  run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  if (args.find("--json") != std::string::npos) run.lines = ParseLines(run.out);
  return run;
}

TEST_F(CliTest, TheProgramReadsTheConfigurationBesideItselfAndReturnsItsExitStatus) {
  ASSERT_TRUE(fs::exists(BinDir() / "halyardctl")) << BinDir();
  const fs::path errFile = scratch_ / "stderr.txt";
  const ProfileFile profile = ProfileFile::Load(BinDir() / "halyard-station.ini");
  const CliRun state = RunProgram("--json --no-wait state", errFile);
  EXPECT_EQ(state.code, kExitOk) << state.err;
  ASSERT_EQ(state.lines.size(), 3u) << state.err;
  const nlohmann::json& form = state.lines[0]["form"];
  EXPECT_EQ(form["ExpectedVersion"], profile.Get("DefaultFiles", "EXPECTED_VERSION").substr(0, 3));
  EXPECT_EQ(form["SREC_Name"]["Text"], profile.Get("DefaultFiles", "SREC_FileName"));
  EXPECT_FALSE(form["SREC_Name"]["Text"].get<std::string>().empty());

  const CliRun fail = RunProgram("--no-wait run-all", errFile);  // the default target is blank
  EXPECT_EQ(fail.code, kExitFailed);
  EXPECT_NE(fail.out.find("result: fail"), std::string::npos) << fail.out;

  const CliRun usage = RunProgram("configure tab=9", errFile);
  EXPECT_EQ(usage.code, kExitUsage);
  EXPECT_EQ(usage.out, "");
  EXPECT_NE(usage.err.find("tab=9"), std::string::npos) << usage.err;
}

}  // namespace
}  // namespace halyard::cli::testing
