// halyardctl run in-process through its library on the shipped configuration and scripted
// benches: exit statuses, the JSON and the readable lines against golden files, the tab guard
// and the pass counter, --no-wait, the state file, texts that are not UTF-8. (The built program
// itself runs in tests/driver, ExampleDriver.TheBuiltProgramPassesOnIt.)
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Version.h"
#include "cli/Halyardctl.h"
#include "support/Golden.h"
#include "support/Paths.h"
#include "support/TestStation.h"

namespace halyard::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<json> lines;  // stdout parsed line by line (for --json runs)
};

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  return lines;
}

// The output's lines with the build's version written as VERSION, so the golden files outlive
// a release.
std::vector<std::string> LinesWithoutVersion(std::string text) {
  const std::string version = "Version " + std::to_string(kVersionMajor) + "." +
                              std::to_string(kVersionMinor) + "." +
                              std::to_string(kVersionRevision);
  for (size_t at; (at = text.find(version)) != std::string::npos;)
    text.replace(at, version.size(), "VERSION");
  return Lines(text);
}

// Each JSON line must be exactly the JSON library's own writing of its object (layout, key
// order, escapes, numbers), and the objects, pretty-printed one key per line so that a change
// reads well in a diff, must match the golden file.
void ExpectJsonGolden(const std::vector<std::string>& lines, const std::string& relative) {
  std::vector<std::string> pretty;
  for (const std::string& line : lines) {
    const auto object = nlohmann::ordered_json::parse(line);
    EXPECT_EQ(line, object.dump(-1, ' ', false, json::error_handler_t::replace));
    for (const std::string& part : Lines(object.dump(2)))
      pretty.push_back(part);
  }
  halyard::testing::ExpectGolden(pretty, relative);
}

// A scratch folder per test for bench files and what sessions leave there.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "halyardctl-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
  }
  void TearDown() override { fs::remove_all(scratch_); }

  // Writes a bench file into the scratch folder and returns its path.
  std::string Bench(const std::string& name, const std::string& text) {
    std::ofstream(scratch_ / name) << text;
    return (scratch_ / name).string();
  }
  static CliRun Run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const fs::path programDir = testing::SourceDir() / "config";
    CliRun run{HalyardctlMain(args, programDir, out, err), out.str(), err.str(), {}};
    for (const std::string& line : args[0] == "--json" ? Lines(run.out) : Lines("")) {
      run.lines.push_back(json::parse(line, nullptr, false));
      EXPECT_FALSE(run.lines.back().is_discarded()) << "not a JSON line: " << line;
    }
    return run;
  }

  fs::path scratch_;
};

TEST_F(CliTest, ExitsZeroOnSuccessOneOnAFailureOrAMessageAndTwoWithOneLineWhenNothingRan) {
  const std::string none = Bench("none.json", R"({"adapters": []})");
  const std::string stateful = Bench("stateful.json", R"({"state_file": "state.json"})");
  const std::string absentIni = (scratch_ / "absent.ini").string();
  // A state file that cannot be written or read is said on stderr and fails the session.
  std::ofstream(scratch_ / "corrupt.json") << "{ not json";
  const auto stateIn = [&](const std::string& bench, const fs::path& file) {
    return Bench(bench, R"({"state_file": ")" + file.string() + R"("})");
  };
  struct Case {
    std::vector<std::string> args;
    int code;
    // In stdout; on stderr for exit 2 (in its one line) and when it starts "halyardctl: ".
    std::string said;
  };
  // clang-format off
  std::vector<Case> cases{
      {{"--no-wait", "configure"}, kExitOk, "configure\n  SSTab1.Tab: 0 -> 1\n"},
      {{"--no-wait", "run-all"}, kExitFailed, "result: fail"},  // the default target is blank
      {{"--no-wait", "--bench", none, "configure"}, kExitFailed, "message \"Error attaching\": \"Did not attach to Halyard\""},
      {{"--no-wait", "--trace", "--bench", none, "state"}, kExitFailed, "  bus: ListDevices kind=2 -> count=0"},
      {{"--bench", stateful, "--config", absentIni, "configure"}, kExitUsage, absentIni},
      {{"--bench", stateful, "--config", scratch_.string(), "configure"}, kExitUsage, scratch_.string()},
      {{"--bench", stateful, "--config", "/proc/self/mem", "configure"}, kExitUsage, "/proc/self/mem"},
      {{"--bench", stateful, "--jsno", "configure"}, kExitUsage, "--jsno"},
      {{"--bench", Bench("broken.json", R"({"adapters": ["A",]})"), "configure"}, kExitUsage, "broken.json"},
      {{"--bench", Bench("wrongkey.json", R"({"adapter": ["A"]})"), "configure"}, kExitUsage, "'adapter'"},
      {{"--bench", (scratch_ / "absent.json").string(), "configure"}, kExitUsage, "absent.json"},
      {{"--no-wait", "--bench", stateIn("unwritable.json", scratch_ / "missing" / "state.json"), "configure"}, kExitFailed,
       "halyardctl: bench state file: " + (scratch_ / "missing" / "state.json").string()},
      {{"--no-wait", "--bench", stateIn("unreadable.json", scratch_ / "corrupt.json"), "configure"}, kExitFailed,
       "halyardctl: bench state file: " + (scratch_ / "corrupt.json").string()}};
  // clang-format on
  // One bad step refuses the whole list, naming the step; a typo is never read as another step.
  for (const char* step : {"no-such-step", "Run-All", "runall", "tab=4", "tab=", "fine=256",
                           "fine=+1", "fine=0x10", "auto-update=3", "state=1", "srec", "=1"})
    cases.push_back({{"--bench", stateful, "configure", "run-all", step},
                     kExitUsage,
                     "'" + std::string(step) + "'"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args[c.args.size() - 2] + " " + c.args.back());
    const CliRun run = Run(c.args);
    EXPECT_EQ(run.code, c.code) << run.err;
    const bool onStderr = c.code == kExitUsage || c.said.starts_with("halyardctl: ");
    const std::string& said = onStderr ? run.err : run.out;
    EXPECT_NE(said.find(c.said), std::string::npos) << said;
    if (c.code != kExitUsage) continue;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("halyardctl: ", 0), 0u) << run.err;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
  }
  EXPECT_FALSE(fs::exists(scratch_ / "state.json"));  // it would appear had anything run
  std::stringstream kept;  // a state file that could not be read is kept as it was
  kept << std::ifstream(scratch_ / "corrupt.json").rdbuf();
  EXPECT_EQ(kept.str(), "{ not json");
}

TEST_F(CliTest, JsonLinesMatchTheirGoldenAndTheGuardHoldsUntilConfigured) {
  const std::vector<std::string> steps{"tab=1", "configure", "tab=1", "run-all", "run-all"};
  std::vector<std::string> args{"--json", "--no-wait"};
  args.insert(args.end(), steps.begin(), steps.end());
  const CliRun run = Run(args);
  ASSERT_EQ(run.code, kExitOk) << run.err;
  ASSERT_EQ(run.lines.size(), steps.size() + 2);
  std::vector<int> tabs;
  std::vector<std::string> counts;
  for (const json& line : run.lines) {
    tabs.push_back(line["form"]["SSTab1"]["Tab"]);
    counts.push_back(line["form"]["Label3"]["Caption"]);
  }
  EXPECT_EQ(tabs, (std::vector<int>{0, 2, 1, 1, 1, 1, 1}));  // blank: "Test" shows "SetUp"
  EXPECT_EQ(counts, (std::vector<std::string>{"0", "0", "0", "0", "1", "2", "2"}));
  // The whole lines, each with its step's name, its own bus trace and every form key (such as
  // the neutral colour with bit 31 set, which a signed writer would print negative), but the
  // version.
  ExpectJsonGolden(LinesWithoutVersion(run.out), "cli/golden/json-session.txt");
}

// The readable report: the changes of each step, the messages, the verdicts, a full state and
// the result line, for a session that touches every tab and a text that needs escapes. (No
// step reads a file, so the lines do not depend on the working folder.)
TEST_F(CliTest, ReadableLinesMatchTheirGolden) {
  const CliRun run = Run({"--no-wait", "tab=1", "configure", "run-all", "fine=150", "auto-update=2",
                          "srec=C:\\fw \"\xC3\xA9\".srec", "program", "state"});
  ASSERT_EQ(run.code, kExitFailed) << run.err;
  halyard::testing::ExpectGolden(LinesWithoutVersion(run.out), "cli/golden/text-session.txt");
}

TEST_F(CliTest, AConfiguredTargetStaysConfiguredAcrossRunsThroughTheStateFile) {
  const std::string bench = Bench("stateful.json", R"({"state_file": "state.json"})");
  const CliRun first = Run({"--json", "--no-wait", "--bench", bench, "configure"});
  ASSERT_EQ(first.code, kExitOk) << first.err;
  EXPECT_EQ(first.lines[0]["form"]["TargetNotConfigured"], true);
  const CliRun second = Run({"--json", "--no-wait", "--bench", bench, "tab=1", "run-all"});
  ASSERT_EQ(second.code, kExitOk) << second.err;
  EXPECT_EQ(second.lines[0]["form"]["TargetNotConfigured"], false);
  EXPECT_EQ(second.lines[1]["form"]["SSTab1"]["Tab"], 1);
  EXPECT_EQ(second.lines[2].at("passed"), true);
}

TEST_F(CliTest, NoWaitChangesThePacingAndNothingElse) {
  constexpr double kWaits = 4 * 0.2;  // "Run All" waits 0.2 s before each of its four tests
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  const CliRun slow = Run({"--json", "configure", "run-all"});
  const auto middle = Clock::now();
  const CliRun fast = Run({"--json", "--no-wait", "configure", "run-all"});
  const double paced = std::chrono::duration<double>(middle - start).count();
  const double unpaced = std::chrono::duration<double>(Clock::now() - middle).count();
  ASSERT_EQ(slow.code, kExitOk) << slow.err;
  EXPECT_EQ(fast.code, slow.code);
  EXPECT_EQ(fast.out, slow.out);
  EXPECT_GE(paced, kWaits - 0.01);
  EXPECT_LT(unpaced, kWaits / 3);
}

TEST_F(CliTest, TextsThatAreNotUtf8GiveValidJsonLinesAndReadableChanges) {
  // A path typed into SREC_Name ends up in the text box and in the programming message.
  const CliRun run = Run({"--json", "--no-wait", "srec=fw\xFF\xFE.srec", "program"});
  EXPECT_EQ(run.code, kExitFailed) << run.err;
  ASSERT_EQ(run.lines.size(), 4u);
  EXPECT_EQ(run.lines[1]["form"]["SREC_Name"]["Text"], "fw\xEF\xBF\xBD\xEF\xBF\xBD.srec");
  EXPECT_EQ(run.lines[2]["messages"][0]["title"], "Programming Error");
  // The readable lines show a change only where the texts read differently.
  const CliRun text = Run({"--no-wait", "srec=\xFF", "srec=\xFE", "srec=x", "state"});
  EXPECT_EQ(text.code, kExitOk);
  EXPECT_NE(text.out.find("srec=\xFE\nsrec=x\n  SREC_Name.Text: \"\xEF\xBF\xBD\" -> \"x\"\n"),
            std::string::npos)
      << text.out;
}

// Every action has a verdict a script can trust, also where the window stays silent; edits
// and views have none. The rules fail one transfer of the action named last.
TEST_F(CliTest, EveryActionHasAVerdictAndAnyFailedOneFailsTheRun) {
  const auto rule = [](const std::string& text) { return R"({"rules": [)" + text + "]}"; };
  struct Case {
    std::string what, bench;
    std::vector<std::string> steps;
    std::vector<std::string> verdicts;  // of each step: "passed", "failed" or "null"
    int code;
  };
  const std::string armFails =
      rule(R"({"op": "WriteSmbusWord", "match": {"command": "0x11"}, "status": 19})");
  // clang-format off
  const std::vector<Case> cases{
      {"a passing session", "{}",
       {"configure", "tab=1", "run-all", "state", "srec=x", "trim-srec=t", "auto-update=0"},
       {"passed", "null", "passed", "null", "null", "null", "null"}, kExitOk},
      {"the length write of the configuration fails", rule(
           R"({"op": "I2cAccess", "match": {"function": 1, "register": "0x20"}, "status": 5})"),
       {"configure"}, {"failed"}, kExitFailed},
      // Start-up reads the flag byte first and writes the trim register twice.
      {"the flag read of the configuration fails", rule(
           R"({"op": "I2cAccess", "match": {"function": 2, "register": "0x51"}, "nth": 2, "status": 5})"),
       {"configure"}, {"failed"}, kExitFailed},
      {"the silent trim firmware flag write fails", rule(
           R"({"op": "WriteSmbusWord", "match": {"command": "0x09", "word": "0x700A"}, "status": 3})"),
       {"trim-start", "fine=40"}, {"failed", "passed"}, kExitFailed},
      {"the trim register write fails", rule(
           R"({"op": "WriteSmbusWord", "match": {"command": "0x09", "word": "0x5001"}, "nth": 4, "status": 4})"),
       {"trim-start", "fine=40", "gross=41"}, {"passed", "failed", "passed"}, kExitFailed},
      {"the row write is not armed", armFails,
       {"trim-start", "fine=40", "trim-update", "trim-read"}, {"passed", "passed", "failed", "passed"},
       kExitFailed},
      {"a row of 31 bytes", rule(
           R"({"op": "ReadSmbusBlock", "count": -1, "outputs": {"data": "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F 10 11 12 13 14 15 16 17 18 19 1A 1B 1C 1D 1E"}})"),
       {"trim-start", "trim-read", "trim-update"}, {"passed", "failed", "failed"}, kExitFailed},
      {"both closing writes fail", rule(
           R"({"op": "WriteSmbusWord", "match": {"command": "0x09", "device": "0x16"}, "nth": 7, "count": 2, "status": 7})"),
       {"trim-start", "trim-update", "trim-update"}, {"passed", "failed", "passed"}, kExitFailed},
      {"the programming fails", rule(R"({"op": "ProgramSrec", "status": 9})"),
       {"program"}, {"failed"}, kExitFailed},
      {"reprogramming after the update fails", rule(
           R"({"op": "ProgramSrec", "nth": 2, "status": 9})"),
       {"trim-start", "auto-update=1", "trim-update"}, {"passed", "null", "failed"}, kExitFailed},
  };
  // clang-format on
  // The shipped images wherever the test runs.
  const std::string ini = Bench("station.ini", testing::DefaultIni());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<std::string> args{"--json", "--no-wait", "--config",
                                  ini,      "--bench",   Bench("b.json", c.bench)};
    args.insert(args.end(), c.steps.begin(), c.steps.end());
    const CliRun run = Run(args);
    EXPECT_EQ(run.code, c.code) << run.err;
    ASSERT_EQ(run.lines.size(), c.steps.size() + 2);
    for (size_t i = 0; i < c.steps.size(); ++i) {
      const json& line = run.lines[i + 1];
      EXPECT_EQ(line.at("verdict").is_null() ? "null" : line.at("verdict").get<std::string>(),
                c.verdicts[i])
          << c.steps[i];
      EXPECT_EQ(line.contains("reason"), c.verdicts[i] == "failed") << c.steps[i];
    }
  }
  // The readable output says why.
  const CliRun text = Run({"--no-wait", "--config", ini, "--bench", Bench("b.json", armFails),
                           "trim-start", "trim-update"});
  EXPECT_NE(text.out.find("  verdict: failed: arming the row write: status 19\n"),
            std::string::npos)
      << text.out;
  EXPECT_NE(text.out.find("result: fail (\"trim-update\" failed)"), std::string::npos) << text.out;
}

}  // namespace
}  // namespace halyard::cli
