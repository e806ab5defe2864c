// The CFX messages without a broker: each follows its definition (CfxSchema), and a record's
// fields and measurements land where docs/factory.md says, with the limits that apply.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "factory/CfxMessages.h"
#include "factory/CfxSchema.h"
#include "records/RecordFormat.h"

namespace halyard::factory {
namespace {

using nlohmann::json;
using records::Record;

Record MakeRecord(const std::string& action, const std::string& measurements, bool passed = true,
                  const std::string& unit = "U1", const std::string& socket = "") {
  Record r;
  r.id = records::NewRecordId();
  r.station = "st-1";
  r.socket = socket;
  r.operatorName = "Ana";
  r.unit = unit;
  r.software = "0.1.0";
  r.action = action;
  r.verdict = passed ? records::kVerdictPassed : records::kVerdictFailed;
  r.reason = passed ? "" : "SMBus Test failed: status 7";
  r.started = "2026-12-06T10:00:00.000Z";
  r.ended = "2026-12-06T10:00:01.250Z";
  r.measurements = measurements;
  r.messages = {{"Test", "SMBus failed"}};
  return r;
}

constexpr const char* kAutoTrim =
    R"({"auto_trim":{"target_hz":4000000,"tolerance_ppm":100,"counter":"sim","counter_id":"x",)"
    R"("iterations":[{"code":10,"hz":4001000,"error_ppm":250},{"code":12,"hz":4000300,"error_ppm":75}],)"
    R"("chosen":{"code":12,"hz":4000300,"error_ppm":75},"within_tolerance":true,"cancelled":false,)"
    R"("stored_trim_byte":null}})";
constexpr const char* kRunAll =
    R"({"tests":[{"test":"Version Test","passed":true,"status":null},)"
    R"({"test":"SMBus Test","passed":false,"status":7}],"run_all_passes":3})";

const UnitTransaction kUnit{{.unit = "U1", .socket = "2"}, "1b3524e0-fd4f-4bd8-93a7-992d12bdb418"};
const FaultInfo kFault{records::StationFault::kAdapterLost, "3de0cfce-42f4-4302-982b-96dba4ec3de0",
                       "SMBus Test: status 10", "2026-12-06T10:00:00.000Z"};

TEST(CfxMessages, EachMessageFollowsItsDefinition) {
  const Stamp stamp = Stamp::Now();
  const struct {
    std::string message;
    std::string name;
  } cases[] = {
      {UnitsTested("h", MakeRecord("run-all", kRunAll, false), kUnit.transactionId),
       "CFX.Production.TestAndInspection.UnitsTested"},
      {UnitsTested("h", MakeRecord("trim-auto", kAutoTrim), kUnit.transactionId),
       "CFX.Production.TestAndInspection.UnitsTested"},
      {UnitsTested("h",
                   MakeRecord("trim-read",
                              R"({"trim":"0x80","fine":1,"gross":-2,)"
                              R"("reserved_row_before":"","programming_status":0})",
                              true, ""),
                   kUnit.transactionId),
       "CFX.Production.TestAndInspection.UnitsTested"},
      {WorkStarted("h", kUnit, stamp), "CFX.Production.WorkStarted"},
      {WorkCompleted("h", kUnit, records::UnitVerdict::kFailed, stamp),
       "CFX.Production.WorkCompleted"},
      {StationStateChanged("h", ResourceState::kShutdownAndStartup, std::nullopt,
                           ResourceState::kNoProduct, nullptr, stamp),
       "CFX.ResourcePerformance.StationStateChanged"},
      {StationStateChanged("h", ResourceState::kRegularWork, std::chrono::seconds(5),
                           ResourceState::kUnscheduledDown, &kFault, stamp),
       "CFX.ResourcePerformance.StationStateChanged"},
      {FaultOccurred("h", kFault, stamp), "CFX.ResourcePerformance.FaultOccurred"},
      {FaultCleared("h", kFault, stamp), "CFX.ResourcePerformance.FaultCleared"},
      {Heartbeat("h", std::chrono::seconds(60), {kFault}, stamp), "CFX.Heartbeat"},
      {ValidateUnitsRequest("h", "mes", "REQUEST-1", {.unit = "U1"}, stamp),
       "CFX.InformationSystem.UnitValidation.ValidateUnitsRequest"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    EXPECT_EQ(json::parse(c.message)["MessageName"], c.name);
    EXPECT_EQ(testing::CheckEnvelope(c.message), std::vector<std::string>{});
  }
}

// The measurement named `name` in the message's one test; null when there is none.
json Measurement(const std::string& message, const std::string& name, int sequence = 0) {
  const json test = json::parse(message)["MessageBody"]["TestedUnits"][0]["Tests"][0];
  for (const json& m : test["Measurements"]) {
    if (m["MeasurementName"] == name && m["Sequence"] == sequence) return m;
  }
  return nullptr;
}

TEST(CfxMessages, MeasurementsCarryTheirValuesLimitsAndResults) {
  const std::string trim = UnitsTested("h", MakeRecord("trim-auto", kAutoTrim), "t");
  const std::string run = UnitsTested("h", MakeRecord("run-all", kRunAll, false), "t");
  const struct {
    const std::string& message;
    std::string name;
    int sequence;
    json value;  // MeasuredValue.Value, or Value
    json minimum, maximum;
    std::string result;
  } cases[] = {
      // The trim tolerance around the target: 100 ppm of 4 MHz.
      {trim, "auto_trim.frequency", 1, 4001000.0, 3999600.0, 4000400.0, "Failed"},
      {trim, "auto_trim.frequency", 2, 4000300.0, 3999600.0, 4000400.0, "Passed"},
      {trim, "auto_trim.chosen_frequency", 0, 4000300.0, 3999600.0, 4000400.0, "Passed"},
      {trim, "auto_trim.within_tolerance", 0, true, nullptr, nullptr, "Passed"},
      // A status passes at 0 only; a test without one is a boolean.
      {run, "SMBus Test status", 0, 7.0, 0.0, 0.0, "Failed"},
      {run, "Version Test", 0, true, nullptr, nullptr, "Passed"},
      // A count has no limits: it takes the test's result.
      {run, "run_all_passes", 0, 3.0, nullptr, nullptr, "Failed"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name + " " + std::to_string(c.sequence));
    const json m = Measurement(c.message, c.name, c.sequence);
    ASSERT_FALSE(m.is_null());
    EXPECT_EQ(m["Result"], c.result);
    if (m.contains("MeasuredValue")) {
      EXPECT_EQ(m["MeasuredValue"]["Value"], c.value);
      EXPECT_EQ(m["MeasuredValue"]["MinimumAcceptableValue"], c.minimum);
      EXPECT_EQ(m["MeasuredValue"]["MaximumAcceptableValue"], c.maximum);
    } else {
      EXPECT_EQ(m["Value"], c.value);
    }
  }
}

TEST(CfxMessages, UnitsTestedCarriesTheRecordWhereTheMappingSays) {
  const Record record = MakeRecord("run-all", kRunAll, false, "U7", "3");
  const json message = json::parse(UnitsTested("st.handle", record, kUnit.transactionId));
  // The record's id makes the message a repeat when a backfill sends it again.
  EXPECT_EQ(message["UniqueID"], record.id);
  EXPECT_EQ(message["TimeStamp"], record.ended);
  EXPECT_EQ(message["Source"], "st.handle");
  const json& body = message["MessageBody"];
  EXPECT_EQ(body["TransactionId"], kUnit.transactionId);
  EXPECT_EQ(body["Tester"]["OperatorIdentifier"], "Ana");
  const json& unit = body["TestedUnits"][0];
  EXPECT_EQ(unit["UnitIdentifier"], "U7");
  EXPECT_EQ(unit["UnitPositionNumber"], 3);
  EXPECT_EQ(unit["OverallResult"], "Failed");
  const json& test = unit["Tests"][0];
  EXPECT_EQ(test["UniqueIdentifier"], record.id);
  EXPECT_EQ(test["TestName"], "run-all");
  EXPECT_EQ(test["TestStartTime"], record.started);
  EXPECT_EQ(test["Error"], record.reason);
  EXPECT_EQ(test["Comments"], "Test: SMBus failed");
  EXPECT_EQ(test["TestProcedure"], "halyard-station 0.1.0");
}

// A record read back from a shared store for a backfill may hold anything in its measurements: a
// field of another kind counts as absent, and the message still follows its definition.
TEST(CfxMessages, MeasurementsOfTheWrongKindAreTakenForWhatTheyAre) {
  const std::string message = UnitsTested(
      "h",
      MakeRecord("run-all", R"({"tests":[{"test":5,"passed":"yes"},7,{"test":"SMBus Test"}],)"
                            R"("auto_trim":{"target_hz":"4e6","iterations":[3,{"hz":"x"}],)"
                            R"("chosen":{"hz":null,"code":"c"}}})"),
      kUnit.transactionId);
  EXPECT_EQ(testing::CheckEnvelope(message), std::vector<std::string>{});
  const json smbus = Measurement(message, "SMBus Test");
  ASSERT_FALSE(smbus.is_null());
  EXPECT_EQ(smbus["Value"], false);  // no "passed": not passed
  EXPECT_FALSE(Measurement(message, "auto_trim.frequency", 2).is_null());
}

TEST(CfxMessages, ASocketIsAPosition) {
  const struct {
    std::string socket;
    int position;
  } cases[] = {{"", 1}, {"3", 3}, {"12", 12}, {"A", 0}, {"1a", 0}, {"99999999999", 0}};
  for (const auto& c : cases)
    EXPECT_EQ(PositionOf(c.socket), c.position) << c.socket;
}

TEST(CfxMessages, StateDurationsAreTimeSpans) {
  const struct {
    std::optional<std::chrono::seconds> duration;
    json text;
  } cases[] = {{std::nullopt, nullptr},
               {std::chrono::seconds(0), "00:00:00"},
               {std::chrono::seconds(3725), "01:02:05"},
               {std::chrono::seconds(90061), "1.01:01:01"}};
  for (const auto& c : cases) {
    const json m =
        json::parse(StationStateChanged("h", ResourceState::kNoProduct, c.duration,
                                        ResourceState::kRegularWork, nullptr, Stamp::Now()));
    EXPECT_EQ(m["MessageBody"]["OldStateDuration"], c.text);
    EXPECT_EQ(m["MessageBody"]["OldState"], 2200);
  }
}

TEST(CfxMessages, AValidationAnswerIsReadOnlyForItsRequest) {
  const auto response = [](const std::string& id, const std::string& result) {
    return json{{"MessageName", "CFX.InformationSystem.UnitValidation.ValidateUnitsResponse"},
                {"RequestID", id},
                {"MessageBody",
                 {{"PrimaryResult",
                   {{"Result", result}, {"FailureCode", 42}, {"Message", "wrong route"}}}}}}
        .dump();
  };
  const struct {
    std::string envelope;
    bool answered;
    bool passed;
  } cases[] = {
      {response("R1", "Passed"), true, true},
      {response("R1", "Failed"), true, false},
      {response("R2", "Passed"), false, false},  // another request's
      {"not json", false, false},
      {R"({"MessageName":"CFX.Heartbeat","RequestID":"R1"})", false, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.envelope);
    const auto answer = ReadValidateUnitsResponse(c.envelope, "R1");
    ASSERT_EQ(answer.has_value(), c.answered);
    if (!answer) continue;
    EXPECT_EQ(answer->passed, c.passed);
    EXPECT_EQ(answer->message, "wrong route");
    EXPECT_EQ(answer->failureCode, 42);
  }
}

}  // namespace
}  // namespace halyard::factory
