// The plain C example driver through the built halyardctl; and how both programs choose their
// backend: --adapter, the configuration's [Adapter] Backend, the command line winning, and one line
// with exit status 2 when it cannot be had.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cli/Halyardctl.h"
#include "support/Paths.h"
#include "support/ScratchDir.h"

namespace halyard::cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;

const std::string kLoopback = std::string("driver:") + LOOPBACK_DRIVER;

struct CliRun {
  int code;
  std::string out, err;
};

CliRun Halyardctl(std::vector<std::string> args) {
  std::ostringstream out, err;
  const int code = HalyardctlMain(args, testing::SourceDir() / "config", out, err);
  return {code, out.str(), err.str()};
}

// A configuration file with the shipped settings and, unless empty, [Adapter] Backend.
std::string Config(const testing::ScratchDir& scratch, const std::string& backend) {
  const fs::path path = scratch.path / "adapter-choice.ini";
  const std::string firmware = (testing::SourceDir() / "firmware").string();
  std::ofstream(path) << "[DefaultFiles]\nSREC_FileName=" << firmware
                      << "/halyard-fw.srec\nEXPECTED_VERSION=1.2\n"
                      << (backend.empty() ? "" : "[Adapter]\nBackend=" + backend + "\n");
  return path.string();
}

// The built program, run from another folder: the driver configures the target, Run All passes
// and is counted, and the start-up line names the driver.
TEST(ExampleDriver, TheBuiltProgramConfiguresAndPassesRunAllAndSaysSoInItsStartupLine) {
  const testing::ScratchDir scratch;
  const fs::path out = scratch.path / "example-driver-out.txt";
  const std::string command = "cd / && '" + (testing::BinDir() / "halyardctl").string() +
                              "' --no-wait --adapter '" + kLoopback +
                              "' configure run-all state >'" + out.string() + "'";
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status)) << status;
  EXPECT_EQ(WEXITSTATUS(status), kExitOk);
  std::stringstream text;
  text << std::ifstream(out).rdbuf();
  EXPECT_THAT(text.str(), HasSubstr("  Label3.Caption: \"0\" -> \"1\"\n"));
  EXPECT_THAT(text.str(), HasSubstr("  adapter = \"" + kLoopback + " (loopback-driver 1.0)\"\n"));
  EXPECT_TRUE(text.str().ends_with("result: pass\n")) << text.str();
}

TEST(BackendChoice, CommandLineThenConfigurationThenTheBenchAndOneLineWhenRefused) {
  const testing::ScratchDir scratch;
  const std::string bench = scratch.Write("choice-bench.json", "{}").string();
  const struct {
    std::string backend;  // [Adapter] Backend in the configuration ("": none)
    std::vector<std::string> args;
    int code;
    std::string said;  // in stdout, or for exit status 2 the line on stderr
  } cases[] = {
      {"", {"state"}, kExitOk, "adapter = \"sim\""},
      {kLoopback, {"state"}, kExitOk, "(loopback-driver 1.0)"},
      {kLoopback, {"--adapter", "sim", "--bench", bench, "state"}, kExitOk, "adapter = \"sim\""},
      {"",
       {"--adapter", kLoopback + ",version=1.3", "configure", "version-test"},
       kExitFailed,
       "Label6(0).Caption: \"\" -> \"False\""},
      {kLoopback,
       {"--bench", bench, "state"},
       kExitUsage,
       "a bench file works only with the simulated bench (adapter sim), not with driver:"},
      {"",
       {"--adapter", kLoopback + ",version=12", "state"},
       kExitUsage,
       "loopback-driver 1.0 did not start: the argument is version=X.Y or nothing"},
      {"", {"--adapter", "i2c:/dev/null", "state"}, kExitUsage, "not an i2c-dev adapter"},
      {"",
       {"--adapter", "i2c:/dev/i2c-1,speed=fast", "state"},
       kExitUsage,
       "unknown option 'speed=fast'"},
      {"usb", {"state"}, kExitUsage, "adapter usb: unknown adapter backend"},
      {kLoopback,
       {"--counter", "sim", "state"},
       kExitUsage,
       "counter sim: the backend has no counter of its own"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.backend + " " + ::testing::PrintToString(c.args));
    std::vector<std::string> args{"--no-wait", "--config", Config(scratch, c.backend)};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const CliRun run = Halyardctl(args);
    EXPECT_EQ(run.code, c.code) << run.err;
    EXPECT_THAT(c.code == kExitUsage ? run.err : run.out, HasSubstr(c.said));
    if (c.code != kExitUsage) continue;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
}

}  // namespace
}  // namespace halyard::cli
