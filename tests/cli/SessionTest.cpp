// halyardctl sessions run in-process on scripted benches: exit statuses, the shape of the
// JSON lines, the trace of each step, the pacing of --no-wait, and what a session leaves on
// the bench.
#include <chrono>

#include "cli/CliHarness.h"

namespace halyard::cli::testing {
namespace {

using nlohmann::json;

std::vector<std::string> Trace(const json& line) {
  return line.at("trace");
}

// Every property of the form with its type; Label6, Label5 and TestPassed hold five each.
void ExpectFormShape(const json& form) {
  using Is = bool (json::*)() const noexcept;
  const Is text = &json::is_string, number = &json::is_number_integer,
           colour = &json::is_number_unsigned, flag = &json::is_boolean;
  struct Key {
    const char* name;
    const char* property;  // "": the value itself
    Is is;
  };
  EXPECT_EQ(form.size(), 18u) << form.dump();
  for (const Key& key : {Key{"SSTab1", "Tab", number},      {"Ver", "Caption", text},
                         {"Label6", "Caption", text},       {"Label6", "ForeColor", colour},
                         {"Label6", "BackColor", colour},   {"Label5", "Caption", text},
                         {"Label3", "Caption", text},       {"Label4", "Caption", text},
                         {"Label7", "Caption", text},       {"CurrentTrim", "Caption", text},
                         {"SREC_Name", "Text", text},       {"TrimFilePathAndName", "Text", text},
                         {"ReservedRow", "Text", text},     {"AutoUpdate", "Value", number},
                         {"FineAdjust", "Value", number},   {"GrossAdjust", "Value", number},
                         {"TargetNotConfigured", "", flag}, {"ExpectedVersion", "", text},
                         {"ProgramPassCount", "", number},  {"TestPassed", "", flag}}) {
    SCOPED_TRACE(std::string(key.name) + " " + key.property);
    ASSERT_TRUE(form.contains(key.name));
    const json& value = form[key.name];
    const json elements = value.is_array() ? value : json::array({value});
    EXPECT_EQ(elements.size(), value.is_array() ? 5u : 1u);
    for (const json& element : elements) {
      ASSERT_TRUE(!*key.property || element.contains(key.property)) << element;
      EXPECT_TRUE(((*key.property ? element[key.property] : element).*key.is)()) << element;
    }
  }
}

TEST_F(CliTest, JsonLinesAreStartupOnePerStepAndShutdownEachWithTheWholeForm) {
  const std::vector<std::string> steps{"tab=1", "configure", "state", "version-test", "run-all"};
  const CliRun run = RunJson(DefaultBench(), steps);
  ASSERT_EQ(run.code, kExitOk) << run.err << run.out;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(run.lines.size(), steps.size() + 2);
  std::istringstream raw(run.out);
  std::string text;
  for (size_t i = 0; std::getline(raw, text); ++i) {
    // Scripts pick lines by their first key.
    EXPECT_EQ(text.rfind("{\"step\":", 0), 0u) << text;
    const json& line = run.lines[i];
    EXPECT_EQ(line.at("step"), i == 0                  ? "startup"
                               : i == steps.size() + 1 ? "shutdown"
                                                       : steps[i - 1]);
    EXPECT_TRUE(line.at("messages").is_array());
    EXPECT_TRUE(line.at("trace").is_array());
    ExpectFormShape(line.at("form"));
  }
  // The neutral colour has bit 31 set: a signed dump would print it negative.
  EXPECT_EQ(run.lines[0]["form"]["Label6"][0]["ForeColor"].get<uint64_t>(), 0x8000000Au);
  EXPECT_FALSE(run.lines[1].contains("passed"));  // tab=1 is not a test
  EXPECT_EQ(run.lines[5].at("passed"), true);

  // Each step carries only its own bus trace.
  const auto startup = Trace(run.lines[0]);
  ASSERT_GE(startup.size(), 2u);
  EXPECT_EQ(startup[0].rfind("ListDevices kind=2 -> count=1", 0), 0u) << startup[0];
  EXPECT_EQ(startup[1].rfind("OpenDevice ", 0), 0u) << startup[1];
  EXPECT_TRUE(Trace(run.lines[1]).empty());  // selecting a tab touches no bus
  const auto configure = Trace(run.lines[2]);
  ASSERT_FALSE(configure.empty());
  for (const std::string& line : configure)
    EXPECT_EQ(line.rfind("I2cAccess ", 0), 0u) << line;
  EXPECT_TRUE(Trace(run.lines[3]).empty());  // nor does printing the state
  const auto version = Trace(run.lines[4]);
  ASSERT_EQ(version.size(), 1u);
  EXPECT_EQ(version[0].rfind("GetAdapterVersion -> 0", 0), 0u) << version[0];
  EXPECT_EQ(Trace(run.lines[6]), std::vector<std::string>{"CloseDevice"});
}

TEST_F(CliTest, TheGuardHoldsUntilConfiguredAndOnlyRunAllPassesCount) {
  const CliRun run = RunJson(DefaultBench(), {"tab=1", "tab=3", "configure", "tab=0", "tab=1",
                                              "run-all", "run-all", "smbus-test"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_EQ(run.lines[0]["form"]["TargetNotConfigured"], true);  // the bench starts blank
  std::vector<int> tabs;
  std::vector<std::string> counts;
  for (size_t i = 1; i <= 8; ++i) {
    tabs.push_back(run.lines[i]["form"]["SSTab1"]["Tab"]);
    counts.push_back(run.lines[i]["form"]["Label3"]["Caption"]);
  }
  EXPECT_EQ(tabs, (std::vector<int>{2, 3, 1, 0, 1, 1, 1, 1}));
  EXPECT_EQ(counts, (std::vector<std::string>{"0", "0", "0", "0", "0", "1", "2", "2"}));
  EXPECT_EQ(run.lines[3]["form"]["TargetNotConfigured"], false);
  EXPECT_EQ(run.lines[7]["form"]["TestPassed"], json::array({true, true, true, true, true}));
  EXPECT_EQ(run.lines[8].at("passed"), true);
  EXPECT_EQ(run.lines[8]["form"]["Label6"][1]["Caption"], "True");
}

TEST_F(CliTest, AFailedTestOrAMessageBoxExitsOne) {
  // A blank target answers no identification: the tests fail, the station stays silent.
  const CliRun runAll = RunJson(DefaultBench(), {"run-all", "version-test", "smbus-test"});
  EXPECT_EQ(runAll.code, kExitFailed);
  ASSERT_EQ(runAll.lines.size(), 5u);
  EXPECT_EQ(runAll.lines[1].at("passed"), false);
  EXPECT_EQ(runAll.lines[1]["form"]["Label6"][4]["Caption"], "Fail");
  EXPECT_EQ(runAll.lines[2].at("passed"), true);  // the adapter's version matches
  EXPECT_EQ(runAll.lines[3].at("passed"), false);
  EXPECT_EQ(runAll.lines[3]["form"]["Label6"][1]["Caption"], "False");
  for (const json& line : runAll.lines)
    EXPECT_TRUE(line.at("messages").empty());

  const CliRun noAdapter = RunJson(Bench("none.json", R"({"adapters": []})"), {"state"});
  EXPECT_EQ(noAdapter.code, kExitFailed);
  ASSERT_EQ(noAdapter.lines.size(), 3u);
  EXPECT_EQ(noAdapter.lines[0]["messages"],
            json::parse(R"([{"title":"Error attaching","text":"Did not attach to Halyard"}])"));
  EXPECT_TRUE(noAdapter.lines[1]["messages"].empty());
}

TEST_F(CliTest, BadUsageAndBadFilesExitTwoWithOneLineAndRunNothing) {
  // The state file would appear at shutdown if anything had run.
  const std::string bench = Bench("stateful.json", R"({"state_file": "state.json"})");
  const std::vector<std::vector<std::string>> cases{
      {"--bench", bench, "configure", "run-all", "no-such-step"},
      {"--bench", bench, "configure", "fine=256"},
      {"--bench", bench, "--config", (scratch_ / "absent.ini").string(), "configure"},
      {"--bench", bench, "--config", scratch_.string(), "configure"},
      {"--bench", bench, "--jsno", "configure"},
      {"--bench", Bench("broken.json", R"({"adapters": ["A",]})"), "configure"},
      {"--bench", Bench("wrongkey.json", R"({"adapter": ["A"]})"), "configure"},
      {"--bench", (scratch_ / "absent.json").string(), "configure"},
  };
  for (const auto& args : cases) {
    const CliRun run = Run(args);
    SCOPED_TRACE(args[1] + " " + args[2] + " ... " + args.back());
    EXPECT_EQ(run.code, kExitUsage);
    EXPECT_EQ(run.out, "");
    ASSERT_FALSE(run.err.empty());
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind("halyardctl: ", 0), 0u) << run.err;
  }
  EXPECT_FALSE(fs::exists(scratch_ / "state.json"));
  // The bench's complaint names the file it is about.
  EXPECT_NE(Run({"--bench", scratch_ / "broken.json"}).err.find("broken.json"), std::string::npos);
}

TEST_F(CliTest, AConfiguredTargetStaysConfiguredAcrossRunsThroughTheStateFile) {
  const std::string bench =
      Bench("stateful.json", R"({"adapter_version": "1.2", "state_file": "state.json"})");
  const CliRun first = RunJson(bench, {"configure"});
  ASSERT_EQ(first.code, kExitOk) << first.err;
  EXPECT_EQ(first.lines[0]["form"]["TargetNotConfigured"], true);
  ASSERT_TRUE(fs::exists(scratch_ / "state.json"));

  const CliRun second = RunJson(bench, {"tab=1", "run-all"});
  ASSERT_EQ(second.code, kExitOk) << second.err;
  EXPECT_EQ(second.lines[0]["form"]["TargetNotConfigured"], false);
  EXPECT_EQ(second.lines[1]["form"]["SSTab1"]["Tab"], 1);
  EXPECT_EQ(second.lines[2].at("passed"), true);
}

TEST_F(CliTest, NoWaitChangesThePacingAndNothingElse) {
  // "Run All" waits 0.2 s before each of its four tests; the update waits 0.3 s three times.
  constexpr double kWaits = 4 * 0.2 + 3 * 0.3;
  const auto timed = [&](bool noWait, double& seconds) {
    std::vector<std::string> args{"--json",  "--bench",    DefaultBench(), "configure",
                                  "run-all", "trim-start", "trim-update"};
    if (noWait) args.push_back("--no-wait");
    const auto start = std::chrono::steady_clock::now();
    CliRun run = Run(args);
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return run;
  };
  double paced = 0;
  double unpaced = 0;
  const CliRun slow = timed(false, paced);
  const CliRun fast = timed(true, unpaced);
  ASSERT_EQ(slow.code, kExitOk) << slow.err << slow.out;
  EXPECT_EQ(fast.out, slow.out);
  EXPECT_EQ(fast.code, slow.code);
  EXPECT_GE(paced, kWaits - 0.01);
  EXPECT_LT(unpaced, kWaits / 3);
}

TEST_F(CliTest, TextsThatAreNotUtf8StillGiveValidJsonLines) {
  // A path typed into SREC_Name ends up in the text box and in the programming message.
  const CliRun run = RunJson(DefaultBench(), {"srec=fw\xFF\xFE.srec", "program"});
  EXPECT_EQ(run.code, kExitFailed) << run.err;
  ASSERT_EQ(run.lines.size(), 4u);
  EXPECT_EQ(run.lines[1]["form"]["SREC_Name"]["Text"], "fw\xEF\xBF\xBD\xEF\xBF\xBD.srec");
  ASSERT_EQ(run.lines[2]["messages"].size(), 1u);
  EXPECT_EQ(run.lines[2]["messages"][0]["title"], "Programming Error");
  EXPECT_EQ(Run({"--no-wait", "--bench", DefaultBench(), "srec=\xFF", "state"}).code, kExitOk);
}

TEST_F(CliTest, TextOutputShowsChangesMessagesAndTheTraceOnRequest) {
  const CliRun plain = Run({"--no-wait", "--bench", DefaultBench(), "configure"});
  ASSERT_EQ(plain.code, kExitOk);
  EXPECT_NE(plain.out.find("configure\n  SSTab1.Tab: 0 -> 1\n"), std::string::npos) << plain.out;
  EXPECT_EQ(plain.out.find("bus: "), std::string::npos);

  const std::string none = Bench("none.json", R"({"adapters": []})");
  const CliRun traced = Run({"--no-wait", "--trace", "--bench", none, "configure"});
  EXPECT_EQ(traced.code, kExitFailed);
  for (const char* expected :
       {"  bus: ListDevices kind=2 -> count=0",
        "message \"Error attaching\": \"Did not attach to Halyard\"", "result: fail"}) {
    EXPECT_NE(traced.out.find(expected), std::string::npos) << expected << "\n" << traced.out;
  }
}

}  // namespace
}  // namespace halyard::cli::testing
