// UnitsTested from a record: the record's action is one CFX Test, its measurements CFX
// measurements. Every scalar of the record's measurements becomes one measurement named by its key;
// a test's status and a programming status carry their limits (0), the automatic trim's
// frequencies the tolerance around the target.
#include <string_view>

#include "factory/CfxJson.h"
#include "records/RecordFormat.h"

namespace halyard::factory {

namespace {

// A record read back from a store (a backfill) is data from outside: every field is taken for
// what it is, and one of another kind than expected counts as absent.
const Json& Field(const Json& object, const char* key) {
  static const Json kAbsent;
  if (!object.is_object()) return kAbsent;
  const auto it = object.find(key);
  return it == object.end() ? kAbsent : *it;
}

double NumberOr(const Json& value, double fallback) {
  return value.is_number() ? value.get<double>() : fallback;
}

const char* ResultText(bool passed) {
  return passed ? "Passed" : "Failed";
}

// The fields every measurement has (CFX.Structures.Measurement), after its own.
struct MeasurementBase {
  std::string recordId;
  bool testPassed = true;
  int count = 0;  // measurements so far: each gets an identifier of its own

  void Add(Json& measurement, const std::string& name, bool passed, int sequence, Json& out) {
    measurement["UniqueIdentifier"] = recordId + "." + std::to_string(++count);
    measurement["MeasurementName"] = records::ValidUtf8(name);
    measurement["TimeRecorded"] = nullptr;
    measurement["Sequence"] = sequence;
    measurement["Result"] = ResultText(passed);
    measurement["CRDs"] = nullptr;
    out.push_back(std::move(measurement));
  }
};

struct Limits {
  double expected = 0;
  double minimum = 0;
  double maximum = 0;
};

void AddNumeric(MeasurementBase& base, const std::string& name, double value, const char* units,
                std::optional<Limits> limits, int sequence, Json& out) {
  const bool within = !limits || (value >= limits->minimum && value <= limits->maximum);
  const auto optionalNumber = [&limits](double Limits::*field) {
    return limits ? Json((*limits).*field) : Json(nullptr);
  };
  const Json unitsText = units ? Json(units) : Json(nullptr);
  Json m = {{"$type", "CFX.Structures.NumericMeasurement, CFX"},
            {"MeasuredValue",
             {{"Value", value},
              {"ValueUnits", unitsText},
              {"ExpectedValue", optionalNumber(&Limits::expected)},
              {"ExpectedValueUnits", limits ? unitsText : Json(nullptr)},
              {"MinimumAcceptableValue", optionalNumber(&Limits::minimum)},
              {"MinimumAcceptableValueUnits", limits ? unitsText : Json(nullptr)},
              {"MaximumAcceptableValue", optionalNumber(&Limits::maximum)},
              {"MaximumAcceptableValueUnits", limits ? unitsText : Json(nullptr)}}}};
  base.Add(m, name, limits ? within : base.testPassed, sequence, out);
}

void AddScalar(MeasurementBase& base, const std::string& name, const Json& value, Json& out) {
  if (value.is_boolean()) {
    Json m = {{"$type", "CFX.Structures.BooleanMeasurement, CFX"},
              {"Value", value},
              {"ExpectedValue", true}};
    base.Add(m, name, value.get<bool>(), 0, out);
  } else if (value.is_number()) {
    // A status passes at 0 and only there.
    const bool status = std::string_view(name).ends_with("status");
    AddNumeric(base, name, value.get<double>(), nullptr,
               status ? std::optional<Limits>(Limits{}) : std::nullopt, 0, out);
  } else if (value.is_string() || value.is_null()) {
    Json m = {{"$type", "CFX.Structures.TextMeasurement, CFX"},
              {"Value", value},
              {"ExpectedValue", nullptr}};
    base.Add(m, name, base.testPassed, 0, out);
  }
}

void AddTests(MeasurementBase& base, const Json& tests, Json& out) {
  for (const Json& test : tests) {
    const Json& named = Field(test, "test");
    const std::string name = named.is_string() ? named.get<std::string>() : "test";
    if (const Json& status = Field(test, "status"); status.is_number()) {
      AddNumeric(base, name + " status", status.get<double>(), nullptr, Limits{}, 0, out);
    } else {
      AddScalar(base, name,
                Json(Field(test, "passed").is_boolean() && Field(test, "passed").get<bool>()), out);
    }
  }
}

// Each frequency the search measured, and the one it chose, against the trim tolerance.
void AddAutoTrim(MeasurementBase& base, const Json& trim, Json& out) {
  const double target = NumberOr(Field(trim, "target_hz"), 0.0);
  const double tolerance = target * NumberOr(Field(trim, "tolerance_ppm"), 0.0) / 1e6;
  const Limits limits{target, target - tolerance, target + tolerance};
  int sequence = 0;
  if (const Json& iterations = Field(trim, "iterations"); iterations.is_array()) {
    for (const Json& iteration : iterations)
      AddNumeric(base, "auto_trim.frequency", NumberOr(Field(iteration, "hz"), 0.0), "Hz", limits,
                 ++sequence, out);
  }
  if (const Json& chosen = Field(trim, "chosen"); chosen.is_object()) {
    AddNumeric(base, "auto_trim.chosen_frequency", NumberOr(Field(chosen, "hz"), 0.0), "Hz", limits,
               0, out);
    AddScalar(base, "auto_trim.chosen_code", Field(chosen, "code"), out);
  }
  for (const char* key : {"within_tolerance", "cancelled", "stored_trim_byte", "counter"}) {
    if (trim.contains(key)) AddScalar(base, std::string("auto_trim.") + key, trim[key], out);
  }
}

Json MeasurementsOf(const records::Record& record) {
  MeasurementBase base{record.id, record.verdict == records::kVerdictPassed, 0};
  Json out = Json::array();
  const Json measured = Json::parse(record.measurements, nullptr, false);
  if (!measured.is_object()) return out;
  for (const auto& [key, value] : measured.items()) {
    if (key == "tests" && value.is_array()) {
      AddTests(base, value, out);
    } else if (key == "auto_trim" && value.is_object()) {
      AddAutoTrim(base, value, out);
    } else {
      AddScalar(base, key, value, out);
    }
  }
  return out;
}

// The message boxes the action raised, in the test's Comments.
Json Comments(const records::Record& record) {
  std::string text;
  for (const records::RecordMessage& message : record.messages)
    text += (text.empty() ? "" : "\n") + message.title + ": " + message.text;
  return TextOrNull(text);
}

}  // namespace

Json TestedUnitJson(const records::Record& record) {
  const bool passed = record.verdict == records::kVerdictPassed;
  Json test = {
      {"UniqueIdentifier", record.id},      {"TestName", record.action},
      {"TestStartTime", record.started},    {"TestEndTime", record.ended},
      {"TestConditions", Json::array()},    {"TestProcedure", "halyard-station " + record.software},
      {"Comments", Comments(record)},       {"Result", ResultText(passed)},
      {"Error", TextOrNull(record.reason)}, {"SymptomsFound", Json::array()},
      {"DefectsFound", Json::array()},      {"Measurements", MeasurementsOf(record)}};
  return {{"UnitIdentifier", TextOrNull(record.unit)},
          {"UnitPositionNumber", PositionOf(record.socket)},
          {"OverallResult", ResultText(passed)},
          {"Tests", Json::array({std::move(test)})}};
}

std::string UnitsTested(const std::string& handle, const records::Record& record,
                        const std::string& transactionId) {
  Json tester = {{"OperatorIdentifier", TextOrNull(record.operatorName)},
                 {"ActorType", "Human"},
                 {"LastName", nullptr},
                 {"FirstName", nullptr},
                 {"LoginName", nullptr}};
  Json body = {{"TransactionId", transactionId},
               {"TestMethod", "Automated"},
               {"Tester", std::move(tester)},
               {"RecipeName", nullptr},
               {"RecipeRevision", nullptr},
               {"SamplingInformation",
                {{"SamplingMethod", "NoSampling"}, {"LotSize", nullptr}, {"SampleSize", nullptr}}},
               {"TestedUnits", Json::array({TestedUnitJson(record)})}};
  return EnvelopeLine("CFX.Production.TestAndInspection.UnitsTested", handle,
                      {record.ended, record.id}, std::move(body));
}

}  // namespace halyard::factory
