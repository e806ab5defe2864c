// halyardctl sessions run in-process on scripted benches: exit statuses, the shape of the
// JSON lines, the trace of each step, the pacing of --no-wait, and what a session leaves on
// the bench.
#include <chrono>

#include "cli/CliHarness.h"

namespace halyard::cli::testing {
namespace {

using nlohmann::json;

constexpr uint32_t kNeutral = 0x8000000A;

std::vector<std::string> Trace(const json& line) {
  return line.at("trace");
}

// Every property of the form, in every object, with its type.
void ExpectFormShape(const json& form) {
  ASSERT_TRUE(form.is_object());
  EXPECT_TRUE(form.at("SSTab1").at("Tab").is_number_integer());
  EXPECT_TRUE(form.at("Ver").at("Caption").is_string());
  ASSERT_EQ(form.at("Label6").size(), 5u);
  for (const json& label : form.at("Label6")) {
    EXPECT_TRUE(label.at("Caption").is_string());
    EXPECT_TRUE(label.at("ForeColor").is_number_unsigned());
    EXPECT_TRUE(label.at("BackColor").is_number_unsigned());
  }
  ASSERT_EQ(form.at("Label5").size(), 5u);
  for (const json& label : form.at("Label5"))
    EXPECT_TRUE(label.at("Caption").is_string());
  for (const char* name : {"Label3", "Label4", "Label7", "CurrentTrim"}) {
    EXPECT_TRUE(form.at(name).at("Caption").is_string()) << name;
  }
  for (const char* name : {"SREC_Name", "TrimFilePathAndName", "ReservedRow"}) {
    EXPECT_TRUE(form.at(name).at("Text").is_string()) << name;
  }
  for (const char* name : {"AutoUpdate", "FineAdjust", "GrossAdjust"}) {
    EXPECT_TRUE(form.at(name).at("Value").is_number_integer()) << name;
  }
  EXPECT_TRUE(form.at("TargetNotConfigured").is_boolean());
  EXPECT_TRUE(form.at("ExpectedVersion").is_string());
  EXPECT_TRUE(form.at("ProgramPassCount").is_number_integer());
  ASSERT_EQ(form.at("TestPassed").size(), 5u);
  for (const json& passed : form.at("TestPassed"))
    EXPECT_TRUE(passed.is_boolean());
  EXPECT_EQ(form.size(), 18u) << form.dump();
}

TEST_F(CliTest, JsonLinesAreStartupOnePerStepAndShutdownEachWithTheWholeForm) {
  const std::vector<std::string> steps{"tab=1", "configure", "run-all", "state", "run-all"};
  const CliRun run = RunJson(DefaultBench(), steps);
  ASSERT_EQ(run.code, kExitOk) << run.err << run.out;
  EXPECT_EQ(run.err, "");
  ASSERT_EQ(run.lines.size(), steps.size() + 2);
  EXPECT_EQ(run.lines.front().at("step"), "startup");
  EXPECT_EQ(run.lines.back().at("step"), "shutdown");
  for (size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(run.lines[i + 1].at("step"), steps[i]);

  std::istringstream raw(run.out);
  std::string text;
  while (std::getline(raw, text)) {
    // Scripts pick lines by their first key.
    EXPECT_EQ(text.rfind("{\"step\":", 0), 0u) << text;
  }
  for (const json& line : run.lines) {
    EXPECT_TRUE(line.at("messages").is_array());
    EXPECT_TRUE(line.at("trace").is_array());
    ExpectFormShape(line.at("form"));
  }
  // The neutral colour has bit 31 set: a signed dump would print it negative.
  EXPECT_EQ(run.lines.front()["form"]["Label6"][0]["ForeColor"].get<uint64_t>(), kNeutral);
  EXPECT_EQ(run.lines[3].at("passed"), true);
  EXPECT_FALSE(run.lines[1].contains("passed"));  // tab=1 is not a test
}

TEST_F(CliTest, EachStepCarriesOnlyItsOwnBusTrace) {
  const CliRun run = RunJson(DefaultBench(), {"configure", "state", "version-test"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  ASSERT_EQ(run.lines.size(), 5u);
  const auto startup = Trace(run.lines[0]);
  ASSERT_GE(startup.size(), 2u);
  EXPECT_EQ(startup[0].rfind("ListDevices kind=2 -> count=1", 0), 0u) << startup[0];
  EXPECT_EQ(startup[1].rfind("OpenDevice ", 0), 0u) << startup[1];

  const auto configure = Trace(run.lines[1]);
  ASSERT_FALSE(configure.empty());
  for (const std::string& line : configure)
    EXPECT_EQ(line.rfind("I2cAccess ", 0), 0u) << line;

  EXPECT_TRUE(Trace(run.lines[2]).empty());  // printing the state touches no bus
  const auto version = Trace(run.lines[3]);
  ASSERT_EQ(version.size(), 1u);
  EXPECT_EQ(version[0].rfind("GetAdapterVersion -> 0", 0), 0u) << version[0];
  EXPECT_EQ(Trace(run.lines[4]), std::vector<std::string>{"CloseDevice"});
}

TEST_F(CliTest, TheGuardSendsTheOperatorToSetUpUntilTheTargetIsConfigured) {
  const CliRun run = RunJson(DefaultBench(), {"tab=1", "tab=3", "configure", "tab=0", "tab=1"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_EQ(run.lines[0]["form"]["TargetNotConfigured"], true);  // the bench starts blank
  EXPECT_EQ(run.lines[1]["form"]["SSTab1"]["Tab"], 2);
  EXPECT_EQ(run.lines[2]["form"]["SSTab1"]["Tab"], 3);
  EXPECT_EQ(run.lines[3]["form"]["TargetNotConfigured"], false);
  EXPECT_EQ(run.lines[4]["form"]["SSTab1"]["Tab"], 0);
  EXPECT_EQ(run.lines[5]["form"]["SSTab1"]["Tab"], 1);
}

TEST_F(CliTest, RepeatedRunsCountAndSingleTestsLeaveTheRunsVerdicts) {
  const CliRun run = RunJson(DefaultBench(), {"configure", "run-all", "run-all", "smbus-test"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_EQ(run.lines[2]["form"]["Label3"]["Caption"], "1");
  EXPECT_EQ(run.lines[3]["form"]["Label3"]["Caption"], "2");
  EXPECT_EQ(run.lines[3]["form"]["TestPassed"], json::array({true, true, true, true, true}));
  EXPECT_EQ(run.lines[4].at("passed"), true);
  EXPECT_EQ(run.lines[4]["form"]["Label3"]["Caption"], "2");
  EXPECT_EQ(run.lines[4]["form"]["Label6"][1]["Caption"], "True");
}

TEST_F(CliTest, AFailedTestExitsOneWithoutAnyMessage) {
  // A blank target answers no identification: the runs fail, the station stays silent.
  const CliRun runAll = RunJson(DefaultBench(), {"run-all"});
  EXPECT_EQ(runAll.code, kExitFailed);
  ASSERT_EQ(runAll.lines.size(), 3u);
  EXPECT_EQ(runAll.lines[1].at("passed"), false);
  EXPECT_EQ(runAll.lines[1]["form"]["Label6"][4]["Caption"], "Fail");
  for (const json& line : runAll.lines)
    EXPECT_TRUE(line.at("messages").empty());

  const CliRun single = RunJson(DefaultBench(), {"version-test", "smbus-test"});
  EXPECT_EQ(single.code, kExitFailed);
  EXPECT_EQ(single.lines[1].at("passed"), true);  // the adapter's version matches
  EXPECT_EQ(single.lines[2].at("passed"), false);
  EXPECT_EQ(single.lines[2]["form"]["Label6"][1]["Caption"], "False");
}

TEST_F(CliTest, AMessageBoxExitsOneAndIsReportedInItsStep) {
  const CliRun noAdapter = RunJson(Bench("none.json", R"({"adapters": []})"), {"state"});
  EXPECT_EQ(noAdapter.code, kExitFailed);
  ASSERT_EQ(noAdapter.lines.size(), 3u);
  EXPECT_EQ(noAdapter.lines[0]["messages"],
            json::parse(R"([{"title":"Error attaching","text":"Did not attach to Halyard"}])"));
  EXPECT_TRUE(noAdapter.lines[1]["messages"].empty());

  const CliRun program =
      RunJson(DefaultBench(), {"srec=" + (scratch_.Path() / "missing.srec").string(), "program"});
  EXPECT_EQ(program.code, kExitFailed);
  ASSERT_EQ(program.lines.size(), 4u);
  EXPECT_TRUE(program.lines[1]["messages"].empty());
  ASSERT_EQ(program.lines[2]["messages"].size(), 1u);
  EXPECT_EQ(program.lines[2]["messages"][0]["title"], "Programming Error");
  EXPECT_NE(program.lines[2]["messages"][0]["text"].get<std::string>().find("missing.srec"),
            std::string::npos);
}

TEST_F(CliTest, BadUsageAndBadFilesExitTwoWithOneLineAndRunNothing) {
  // The state file would appear at shutdown if anything had run.
  const std::string bench = Bench("stateful.json", R"({"state_file": "state.json"})");
  const std::vector<std::vector<std::string>> cases{
      {"--bench", bench, "configure", "run-all", "no-such-step"},
      {"--bench", bench, "configure", "fine=256"},
      {"--bench", bench, "--config", (scratch_.Path() / "absent.ini").string(), "configure"},
      {"--bench", bench, "--config", scratch_.Path().string(), "configure"},
      {"--bench", bench, "--jsno", "configure"},
      {"--bench", Bench("broken.json", R"({"adapters": ["A",]})"), "configure"},
      {"--bench", Bench("wrongkey.json", R"({"adapter": ["A"]})"), "configure"},
      {"--bench", (scratch_.Path() / "absent.json").string(), "configure"},
  };
  for (const auto& args : cases) {
    const CliRun run = Run(args);
    const std::string what = args.back() + " / " + args[args.size() - 2];
    EXPECT_EQ(run.code, kExitUsage) << what;
    EXPECT_EQ(run.out, "") << what;
    ASSERT_FALSE(run.err.empty()) << what;
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_EQ(run.err.rfind("halyardctl: ", 0), 0u) << run.err;
  }
  EXPECT_FALSE(fs::exists(scratch_.Path() / "state.json"));
  // The bench's complaint names the file it is about.
  EXPECT_NE(Run({"--bench", scratch_.Path() / "broken.json"}).err.find("broken.json"),
            std::string::npos);
}

TEST_F(CliTest, AConfiguredTargetStaysConfiguredAcrossRunsThroughTheStateFile) {
  const std::string bench = Bench("stateful.json", R"({"adapter_version": "1.2",
                                                       "state_file": "state.json"})");
  const CliRun first = RunJson(bench, {"configure"});
  ASSERT_EQ(first.code, kExitOk) << first.err;
  EXPECT_EQ(first.lines[0]["form"]["TargetNotConfigured"], true);
  ASSERT_TRUE(fs::exists(scratch_.Path() / "state.json"));

  const CliRun second = RunJson(bench, {"tab=1", "run-all"});
  ASSERT_EQ(second.code, kExitOk) << second.err;
  EXPECT_EQ(second.lines[0]["form"]["TargetNotConfigured"], false);
  EXPECT_EQ(second.lines[1]["form"]["SSTab1"]["Tab"], 1);
  EXPECT_EQ(second.lines[2].at("passed"), true);
}

TEST_F(CliTest, NoWaitChangesThePacingAndNothingElse) {
  // "Run All" waits 0.2 s before each of its four tests; the update waits 0.3 s three times.
  const std::vector<std::string> steps{"configure", "run-all", "trim-start", "trim-update"};
  constexpr double kWaits = 4 * 0.2 + 3 * 0.3;
  auto timed = [&](bool noWait, double& seconds) {
    std::vector<std::string> args{"--json", "--bench", DefaultBench()};
    if (noWait)
      args.push_back("--no-wait");
    args.insert(args.end(), steps.begin(), steps.end());
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

  const CliRun text = Run({"--no-wait", "--bench", DefaultBench(), "srec=\xFF"});
  EXPECT_EQ(text.code, kExitOk) << text.err;
}

TEST_F(CliTest, TextOutputShowsChangesMessagesAndTheTraceOnRequest) {
  const std::string bench = Bench("none.json", R"({"adapters": []})");
  const CliRun plain = Run({"--no-wait", "--bench", DefaultBench(), "configure"});
  ASSERT_EQ(plain.code, kExitOk);
  EXPECT_NE(plain.out.find("configure\n  SSTab1.Tab: 0 -> 1\n"), std::string::npos) << plain.out;
  EXPECT_EQ(plain.out.find("bus: "), std::string::npos);

  const CliRun traced = Run({"--no-wait", "--trace", "--bench", bench, "configure"});
  EXPECT_EQ(traced.code, kExitFailed);
  EXPECT_NE(traced.out.find("  bus: ListDevices kind=2 -> count=0"), std::string::npos)
      << traced.out;
  EXPECT_NE(traced.out.find("message \"Error attaching\": \"Did not attach to Halyard\""),
            std::string::npos)
      << traced.out;
  EXPECT_NE(traced.out.find("result: fail"), std::string::npos);
}

}  // namespace
}  // namespace halyard::cli::testing
