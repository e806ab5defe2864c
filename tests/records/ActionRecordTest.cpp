// Records of the station's actions on the simulated bench: each action's measurements, its
// programmed images with their digests, and the adapter that start-up opened.
#include <nlohmann/json.hpp>

#include "RecordTesting.h"
#include "records/ActionRecord.h"
#include "records/Sha256.h"
#include "support/TestStation.h"

namespace halyard::records {
namespace {

using halyard::ActionInput;
using halyard::ActionRow;
using halyard::FindAction;
using halyard::testing::TestStation;
using halyard::testing::TestStationSetup;
using nlohmann::json;

// Runs the action named `name` as the operator would, and builds its record.
Record Act(TestStation& station, const char* name, ActionInput input = {}) {
  const ActionRow* action = FindAction(name);
  EXPECT_NE(action, nullptr) << name;
  EXPECT_TRUE(station.station().Perform(*action, input));
  RecordSource source{"line-3", "", "Ana", "U7", "simulated HALYARD-SIM0", "0.1.0", ""};
  return BuildRecord(source, station.station().LastResult());
}

std::string Digest(const char* image) {
  std::string hex;
  EXPECT_TRUE(Sha256OfFile(halyard::testing::Image(image), hex));
  return hex;
}

TEST(ActionRecord, EachActionMeasuresWhatItReadOrWrote) {
  const auto configured = [](Form1& form) { form.Command1_Click(); };
  const auto trimStart = [](Form1& form) { form.StartTrim_Click(); };
  struct Case {
    std::string what;
    std::string bench;
    std::function<void(Form1&)> prepare;
    const char* action;
    ActionInput input;
    json measurements;
    std::string verdict;
  };
  // clang-format off
  const std::vector<Case> cases{
      {"a passing run", "{}", configured, "run-all", {},
       {{"tests", {{{"test", "Version Test"}, {"passed", true}, {"status", nullptr}},
                   {{"test", "SMBus Test"}, {"passed", true}, {"status", 0}},
                   {{"test", "I2C Test"}, {"passed", true}, {"status", 0}},
                   {{"test", "SWB Test"}, {"passed", true}, {"status", 0}}}},
        {"version", "1.2"}, {"version_expected", "1.2"}, {"run_all_passes", 1}}, kVerdictPassed},
      // The tests after a failed one do not run, and so are not measured.
      {"a run stopped by the SMBus test",
       R"({"rules": [{"op": "ReadSmbusBlock", "match": {"command": "0x20"}, "status": 5}]})",
       configured, "run-all", {},
       {{"tests", {{{"test", "Version Test"}, {"passed", true}, {"status", nullptr}},
                   {{"test", "SMBus Test"}, {"passed", false}, {"status", 5}}}},
        {"version", "1.2"}, {"version_expected", "1.2"}, {"run_all_passes", 0}}, kVerdictFailed},
      {"a wrong adapter version", R"({"adapter_version": "1.1"})", configured, "version-test", {},
       {{"tests", {{{"test", "Version Test"}, {"passed", false}, {"status", nullptr}}}},
        {"version", "1.1"}, {"version_expected", "1.2"}}, kVerdictFailed},
      {"one test", "{}", configured, "i2c-test", {},
       {{"tests", {{{"test", "I2C Test"}, {"passed", true}, {"status", 0}}}}}, kVerdictPassed},
      {"configuring", "{}", [](Form1&) {}, "configure", {},
       {{"target_configured", true}, {"target_id", "Halyard_Test"}}, kVerdictPassed},
      {"failed programming", R"({"rules": [{"op": "ProgramSrec", "status": 9}]})", [](Form1&) {},
       "program", {},
       {{"programming_status", 9}, {"program_pass_count", 0}}, kVerdictFailed},
      {"trim start", "{}", [](Form1&) {}, "trim-start", {},
       {{"trim", "80"}, {"fine", 128}, {"gross", 128}, {"programming_status", 0}}, kVerdictPassed},
      {"a bar moved", "{}", trimStart, "fine", {200, {}},
       {{"trim", "37"}, {"fine", 200}, {"gross", 200}}, kVerdictPassed},
      {"the row read", "{}", trimStart, "trim-read", {},
       {{"trim", "80"}, {"fine", 128}, {"gross", 128}, {"reserved_row_before", ""},
        {"reserved_row_after", "18191A1B1C1D80FF"}}, kVerdictPassed},
      {"an update that reprograms", "{}",
       [&](Form1& form) { trimStart(form); form.RsvFlashRd_Click(); form.SetAutoUpdate(1); },
       "trim-update", {},
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
    const Record record = Act(station, c.action, c.input);
    EXPECT_EQ(json::parse(record.measurements), c.measurements);
    EXPECT_EQ(record.verdict, c.verdict);
    EXPECT_EQ(record.reason.empty(), c.verdict == kVerdictPassed) << record.reason;
    EXPECT_FALSE(record.trace.empty());
  }
}

TEST(ActionRecord, ProgrammedImagesCarryTheirDigestsAndMessagesTheirBoxes) {
  TestStation station;
  Record start = Act(station, "trim-start");
  EXPECT_EQ(start.firmware, (std::vector<FirmwareImage>{
                                {halyard::testing::Image("gxTrim.srec"), Digest("gxTrim.srec")}}));
  station.form().SetSrecName("/no/such/image.srec");
  Record failed = Act(station, "program");
  EXPECT_EQ(failed.firmware, (std::vector<FirmwareImage>{{"/no/such/image.srec", ""}}));
  ASSERT_EQ(failed.messages.size(), 1u);
  EXPECT_EQ(failed.messages[0].title, "Programming Error");
  EXPECT_EQ(failed.started.size(), 24u);
  EXPECT_LE(failed.started, failed.ended);
  // Actions that program nothing list no image.
  EXPECT_TRUE(Act(station, "fine", {3, {}}).firmware.empty());
}

// The version test's label shows neither version nor status: its reason gives both, alone and
// under Run All, whose status line names the test that stopped it.
TEST(ActionRecord, AFailedVersionTestSaysWhatItReadAndExpected) {
  struct Case {
    const char* bench;
    const char* action;
    const char* reason;
    const char* detail;  // what the status line says after the action's title
  };
  // clang-format off
  for (const Case& c : {
      Case{R"({"adapter_version": "1.1"})", "version-test",
           R"(Version Test failed: version "1.1" read, "1.2" expected)",
           R"(version "1.1" read, "1.2" expected)"},
      Case{R"({"adapter_version": "1.1"})", "run-all",
           R"(Version Test failed: version "1.1" read, "1.2" expected)",
           R"(Version Test: version "1.1" read, "1.2" expected)"},
      Case{R"({"rules": [{"op": "GetAdapterVersion", "status": 10}]})", "version-test",
           "Version Test failed: reading the adapter version: status 10",
           "reading the adapter version"},
      Case{R"({"rules": [{"op": "ReadSmbusBlock", "status": 7}]})", "run-all",
           "SMBus Test failed: status 7", "SMBus Test"}}) {
    // clang-format on
    SCOPED_TRACE(std::string(c.action) + " on " + c.bench);
    TestStation station(TestStationSetup{.bench = c.bench});
    station.form().Command1_Click();
    const Record record = Act(station, c.action);
    EXPECT_EQ(record.reason, c.reason);
    EXPECT_EQ(station.station().LastResult().reason.detail, c.detail);
  }
}

// The I2C test that cannot open its run: its label keeps what it showed before, as the window
// always has, but the verdict, the status line and the record name the opening's own status.
TEST(ActionRecord, AnI2cTestThatCannotOpenItsRunNamesTheOpeningsStatus) {
  const std::string openFails = R"({"op": "I2cAccess", "match": {"function": 0, "device": 1},
                                    "count": 1, "status": 7})";
  struct Case {
    const char* what;
    bool failedBefore;    // a first run failed at register 0x23 with status 6
    const char* caption;  // what Label5(2) keeps showing
  };
  for (const Case& c :
       {Case{"after a failed run", true, "6"}, Case{"right after start-up", false, "Label5"}}) {
    SCOPED_TRACE(c.what);
    TestStation station;
    station.form().Command1_Click();
    if (c.failedBefore) {
      station.Rule(R"({"op": "I2cAccess", "match": {"function": 2, "register": "0x23"},
                       "count": 1, "status": 6})");
      const Record first = Act(station, "i2c-test");
      EXPECT_EQ(first.reason, "I2C Test failed: status 6");
    }
    station.Rule(openFails);
    const Record record = Act(station, "i2c-test");
    EXPECT_EQ(station.controls().Label5[2].Caption, c.caption);
    EXPECT_EQ(record.reason, "I2C Test failed: status 7");
    EXPECT_EQ(json::parse(record.measurements)["tests"][0]["status"], 7);
    EXPECT_EQ(station.station().LastResult().reason.status, 7);
  }
}

TEST(ActionRecord, TheAdapterIsTheOneStartUpOpened) {
  TestStation station;
  EXPECT_EQ(station.station().OpenedAdapter(), "HALYARD-SIM0");
  // A station whose adapter did not open names none.
  TestStation unopened(TestStationSetup{.bench = R"({"open_result": -1})"});
  EXPECT_EQ(unopened.station().OpenedAdapter(), "");
}

}  // namespace
}  // namespace halyard::records
