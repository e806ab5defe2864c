// Records of the station's actions on the simulated bench: each action's measurements, its
// programmed images with their digests, and the adapter that start-up opened.
#include <nlohmann/json.hpp>

#include "RecordTesting.h"
#include "records/ActionRecord.h"
#include "records/Sha256.h"
#include "support/TestStation.h"

namespace halyard::records {
namespace {

using halyard::testing::TestStation;
using halyard::testing::TestStationSetup;
using nlohmann::json;

// Runs `click` as the operator's action and builds its record.
template <typename Click>
Record Act(TestStation& station, RecordedAction action, Click click) {
  ActionOutcome outcome;
  outcome.action = action;
  outcome.before = {station.controls(), station.form().State()};
  station.dialogs.messages.clear();
  click(station.form());
  outcome.after = {station.controls(), station.form().State()};
  outcome.verdict = station.form().Verdict();
  for (const auto& message : station.dialogs.messages)
    outcome.messages.push_back({message.title, message.prompt});
  outcome.trace = station.TakeTrace();
  RecordSource source{"line-3", "Ana", "U7", "simulated HALYARD-SIM0", "0.1.0", ""};
  return BuildRecord(source, outcome);
}

std::string Digest(const char* image) {
  std::string hex;
  EXPECT_TRUE(Sha256OfFile(halyard::testing::Image(image), hex));
  return hex;
}

TEST(ActionRecord, EachActionMeasuresWhatItReadOrWrote) {
  const auto configured = [](Form1& form) { form.Command1_Click(); };
  const auto runAll = [](Form1& form) { form.Command2_Click(4); };
  const auto trimStart = [](Form1& form) { form.StartTrim_Click(); };
  struct Case {
    std::string what;
    std::string bench;
    std::function<void(Form1&)> prepare;
    RecordedAction action;
    std::function<void(Form1&)> click;
    json measurements;
    std::string verdict;
  };
  // clang-format off
  const std::vector<Case> cases{
      {"a passing run", "{}", configured, RecordedAction::kRunAll, runAll,
       {{"tests", {{{"test", "Version Test"}, {"passed", true}, {"status", nullptr}},
                   {{"test", "SMBus Test"}, {"passed", true}, {"status", 0}},
                   {{"test", "I2C Test"}, {"passed", true}, {"status", 0}},
                   {{"test", "SWB Test"}, {"passed", true}, {"status", 0}}}},
        {"version", "1.2"}, {"run_all_passes", 1}}, kVerdictPassed},
      // The tests after a failed one do not run, and so are not measured.
      {"a run stopped by the SMBus test",
       R"({"rules": [{"op": "ReadSmbusBlock", "match": {"command": "0x20"}, "status": 5}]})",
       configured, RecordedAction::kRunAll, runAll,
       {{"tests", {{{"test", "Version Test"}, {"passed", true}, {"status", nullptr}},
                   {{"test", "SMBus Test"}, {"passed", false}, {"status", 5}}}},
        {"version", "1.2"}, {"run_all_passes", 0}}, kVerdictFailed},
      {"one test", "{}", configured, RecordedAction::kI2cTest,
       [](Form1& form) { form.Command2_Click(2); },
       {{"tests", {{{"test", "I2C Test"}, {"passed", true}, {"status", 0}}}}}, kVerdictPassed},
      {"configuring", "{}", [](Form1&) {}, RecordedAction::kConfigure, configured,
       {{"target_configured", true}, {"target_id", "Halyard_Test"}}, kVerdictPassed},
      {"failed programming", R"({"rules": [{"op": "ProgramSrec", "status": 9}]})", [](Form1&) {},
       RecordedAction::kProgram, [](Form1& form) { form.Program_Click(); },
       {{"programming_status", 9}, {"program_pass_count", 0}}, kVerdictFailed},
      {"trim start", "{}", [](Form1&) {}, RecordedAction::kTrimStart, trimStart,
       {{"trim", "80"}, {"fine", 128}, {"gross", 128}, {"programming_status", 0}}, kVerdictPassed},
      {"a bar moved", "{}", trimStart, RecordedAction::kFine,
       [](Form1& form) { form.MoveFineAdjust(200); },
       {{"trim", "37"}, {"fine", 200}, {"gross", 200}}, kVerdictPassed},
      {"the row read", "{}", trimStart, RecordedAction::kTrimRead,
       [](Form1& form) { form.RsvFlashRd_Click(); },
       {{"trim", "80"}, {"fine", 128}, {"gross", 128}, {"reserved_row_before", ""},
        {"reserved_row_after", "18191A1B1C1D80FF"}}, kVerdictPassed},
      {"an update that reprograms", "{}",
       [&](Form1& form) { trimStart(form); form.RsvFlashRd_Click(); form.SetAutoUpdate(1); },
       RecordedAction::kTrimUpdate, [](Form1& form) { form.Update_Click(); },
       {{"trim", "80"}, {"fine", 128}, {"gross", 128}, {"reserved_row_before", "18191A1B1C1D80FF"},
        {"reserved_row_after", "191A1B1C1D80FF0F"}, {"auto_update", 1},
        {"programming_status", 0}, {"program_pass_count", 1}}, kVerdictPassed},
  };
  // clang-format on
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestStation station(TestStationSetup{.bench = c.bench});
    c.prepare(station.form());
    station.TakeTrace();
    const Record record = Act(station, c.action, c.click);
    EXPECT_EQ(json::parse(record.measurements), c.measurements);
    EXPECT_EQ(record.verdict, c.verdict);
    EXPECT_EQ(record.reason.empty(), c.verdict == kVerdictPassed) << record.reason;
    EXPECT_FALSE(record.trace.empty());
  }
}

TEST(ActionRecord, ProgrammedImagesCarryTheirDigestsAndMessagesTheirBoxes) {
  TestStation station;
  Record start = Act(station, RecordedAction::kTrimStart, [](Form1& f) { f.StartTrim_Click(); });
  EXPECT_EQ(start.firmware, (std::vector<FirmwareImage>{
                                {halyard::testing::Image("gxTrim.srec"), Digest("gxTrim.srec")}}));
  station.form().SetSrecName("/no/such/image.srec");
  Record failed = Act(station, RecordedAction::kProgram, [](Form1& f) { f.Program_Click(); });
  EXPECT_EQ(failed.firmware, (std::vector<FirmwareImage>{{"/no/such/image.srec", ""}}));
  ASSERT_EQ(failed.messages.size(), 1u);
  EXPECT_EQ(failed.messages[0].title, "Programming Error");
  EXPECT_EQ(failed.started.size(), 24u);
  EXPECT_LE(failed.started, failed.ended);
  // Actions that program nothing list no image.
  EXPECT_TRUE(
      Act(station, RecordedAction::kFine, [](Form1& f) { f.MoveFineAdjust(3); }).firmware.empty());
}

TEST(ActionRecord, TheAdapterIsTheOneThatWasOpened) {
  EXPECT_EQ(OpenedAdapter({"ListDevices kind=2 -> count=1 names=\"A B\"",
                           "OpenDevice name=\"HALYARD \\\"7\\\"\\x09\" -> 0"}),
            "HALYARD \"7\"\t");
  EXPECT_EQ(OpenedAdapter({"OpenDevice name=\"FIRST\" -> 0", "OpenDevice name=\"GONE\" -> 3"}),
            "FIRST");
  EXPECT_EQ(OpenedAdapter({"CloseDevice"}), "");
  // A real start-up's trace: RecordsCli.ASessionLeavesOneRecordPerActionWithEveryField.
}

}  // namespace
}  // namespace halyard::records
