// The built halyardctl program itself: exit statuses through the shell, and the
// configuration file found beside the executable.
#include <sys/wait.h>

#include <cstdio>

#include "app/Configuration.h"
#include "cli/CliHarness.h"

namespace halyard::cli::testing {
namespace {

std::string Quote(const std::string& text) {
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'') {
      quoted += "'\\''";
    } else {
      quoted += c;
    }
  }
  return quoted + "'";
}

// Runs the program with `args` (already quoted); stdout captured, stderr into `errFile`.
CliRun RunProgram(const std::string& args, const fs::path& errFile) {
  const fs::path program = BinDir() / "halyardctl";
  const std::string command =
      Quote(program.string()) + " " + args + " 2>" + Quote(errFile.string());
  CliRun run;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr)
    return run;
  char buffer[4096];
  size_t got = 0;
  while ((got = fread(buffer, 1, sizeof buffer, pipe)) > 0)
    run.out.append(buffer, got);
  const int status = pclose(pipe);
  run.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  std::ifstream err(errFile);
  run.err.assign(std::istreambuf_iterator<char>(err), std::istreambuf_iterator<char>());
  if (args.find("--json") != std::string::npos) run.lines = ParseLines(run.out);
  return run;
}

class ProgramTest : public CliTest {
 protected:
  void SetUp() override {
    CliTest::SetUp();
    ASSERT_TRUE(fs::exists(BinDir() / "halyardctl")) << BinDir();
  }
  fs::path ErrFile() const { return scratch_.Path() / "stderr.txt"; }
};

TEST_F(ProgramTest, ExitStatusesReachTheShell) {
  const std::string config = Quote((programDir_ / "halyard-station.ini").string());
  const std::string bench = Quote(DefaultBench());
  const CliRun pass =
      RunProgram("--json --no-wait --config " + config + " --bench " + bench + " configure run-all",
                 ErrFile());
  EXPECT_EQ(pass.code, kExitOk) << pass.err;
  ASSERT_EQ(pass.lines.size(), 4u);
  EXPECT_EQ(pass.lines[2]["form"]["Label3"]["Caption"], "1");

  const CliRun fail =
      RunProgram("--no-wait --config " + config + " --bench " + bench + " run-all", ErrFile());
  EXPECT_EQ(fail.code, kExitFailed);
  EXPECT_NE(fail.out.find("result: fail"), std::string::npos) << fail.out;

  const CliRun usage = RunProgram("--bench " + bench + " configure tab=9", ErrFile());
  EXPECT_EQ(usage.code, kExitUsage);
  EXPECT_EQ(usage.out, "");
  EXPECT_NE(usage.err.find("tab=9"), std::string::npos) << usage.err;
}

TEST_F(ProgramTest, ReadsTheConfigurationBesideItself) {
  const fs::path shipped = BinDir() / "halyard-station.ini";
  ASSERT_TRUE(fs::exists(shipped));
  const ProfileFile profile = ProfileFile::Load(shipped);
  const CliRun run = RunProgram("--json --no-wait state", ErrFile());
  ASSERT_GE(run.lines.size(), 1u) << run.err;
  const nlohmann::json& form = run.lines[0]["form"];
  EXPECT_EQ(form["ExpectedVersion"], profile.Get("DefaultFiles", "EXPECTED_VERSION").substr(0, 3));
  EXPECT_EQ(form["SREC_Name"]["Text"], profile.Get("DefaultFiles", "SREC_FileName"));
  EXPECT_FALSE(form["SREC_Name"]["Text"].get<std::string>().empty());
}

}  // namespace
}  // namespace halyard::cli::testing
