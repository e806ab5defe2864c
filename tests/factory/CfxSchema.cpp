// The definitions as data, and the walk that checks a message against them.
#include "factory/CfxSchema.h"

#include <map>
#include <regex>

#include <nlohmann/json.hpp>

namespace halyard::factory::testing {

namespace {

using Json = nlohmann::json;

enum class Kind {
  kString,
  kInt,
  kNumber,
  kBool,
  kUuid,
  kTime,
  kTimeSpan,
  kState,
  kObject,
  kList,
  kEnum,
  kMap
};

struct Field {
  const char* name;
  Kind kind;
  bool nullable = false;
  const char* structure = "";         // kObject, kList: the structure of the value or its items
  std::vector<std::string> values{};  // kEnum
};

const std::vector<std::string> kTestResult{"Passed", "Failed", "Error", "Aborted", "Skipped"};
const std::vector<std::string> kStates{"1100", "2200", "5000", "6500"};

const std::map<std::string, std::vector<Field>>& Structures() {
  static const std::map<std::string, std::vector<Field>> structures = {
      {"CFXEnvelope",
       {{"MessageName", Kind::kString},
        {"Version", Kind::kEnum, false, "", {"2.1"}},
        {"TimeStamp", Kind::kTime},
        {"UniqueID", Kind::kUuid},
        {"Source", Kind::kString},
        {"Target", Kind::kString, true},
        {"RequestID", Kind::kString, true},
        {"MessageBody", Kind::kObject}}},
      {"CFX.Heartbeat",
       {{"CFXHandle", Kind::kString},
        {"HeartbeatFrequency", Kind::kTimeSpan},
        {"ActiveFaults", Kind::kList, true, "Fault"},
        {"ActiveRecipes", Kind::kList, true}}},
      {"CFX.ResourcePerformance.StationStateChanged",
       {{"OldState", Kind::kState},
        {"OldStateDuration", Kind::kTimeSpan, true},
        {"NewState", Kind::kState},
        {"RelatedFault", Kind::kObject, true, "Fault"}}},
      {"CFX.ResourcePerformance.FaultOccurred", {{"Fault", Kind::kObject, false, "Fault"}}},
      {"CFX.ResourcePerformance.FaultCleared",
       {{"FaultOccurrenceId", Kind::kUuid}, {"Operator", Kind::kObject, true}}},
      {"Fault",
       {{"TransactionID", Kind::kUuid, true},
        {"Cause",
         Kind::kEnum,
         false,
         "",
         {"LoadError", "UnloadError", "AutoSafetyStop", "SafetyStop", "QualityCheck", "RemoteStop",
          "MechanicalFailure", "SoftwareFailure", "PowerFailure", "MissingDocumentation", "Refill",
          "MsdExpired", "MaterialExpired", "MissingComponent", "ElectricalFailure",
          "ServicesFailure", "ProcessError", "RejectedComponent"}},
        {"Severity", Kind::kEnum, false, "", {"Information", "Warning", "Error", "Alarm"}},
        {"FaultCode", Kind::kString},
        {"FaultOccurrenceId", Kind::kUuid},
        {"Lane", Kind::kInt, true},
        {"Stage", Kind::kObject, true},
        {"SideLocation", Kind::kEnum, false, "", {"Unknown", "Right", "Left", "Both"}},
        {"AccessType", Kind::kEnum, false, "", {"Unknown", "Ignore", "Local", "Remote"}},
        {"Description", Kind::kString, true},
        {"DescriptionTranslations", Kind::kMap},
        {"OccurredAt", Kind::kTime},
        {"DueDateTime", Kind::kTime, true}}},
      {"CFX.Production.WorkStarted",
       {{"PrimaryIdentifier", Kind::kString},
        {"HermesIdentifier", Kind::kString, true},
        {"TransactionID", Kind::kUuid},
        {"Lane", Kind::kInt, true},
        {"UnitCount", Kind::kInt},
        {"Units", Kind::kList, false, "UnitPosition"},
        {"RecipeName", Kind::kString, true},
        {"Revision", Kind::kString, true},
        {"RelevantSurface",
         Kind::kEnum,
         false,
         "",
         {"Unspecified", "PrimarySurface", "SecondarySurface"}},
        {"WorkOrderIdentifier", Kind::kObject, true}}},
      {"CFX.Production.WorkCompleted",
       {{"TransactionID", Kind::kUuid},
        {"Result", Kind::kEnum, false, "", {"Completed", "Failed", "Aborted", "Skipped"}},
        {"PrimaryIdentifier", Kind::kString},
        {"HermesIdentifier", Kind::kString, true},
        {"UnitCount", Kind::kInt},
        {"Units", Kind::kList, false, "UnitPosition"},
        {"PerformanceImpacts", Kind::kList, true}}},
      {"UnitPosition",
       {{"UnitIdentifier", Kind::kString},
        {"PositionNumber", Kind::kInt},
        {"PositionName", Kind::kString, true},
        {"X", Kind::kNumber},
        {"Y", Kind::kNumber},
        {"Z", Kind::kNumber, true},
        {"Rotation", Kind::kNumber},
        {"FlipX", Kind::kBool},
        {"FlipY", Kind::kBool},
        {"Status", Kind::kEnum, false, "", {"Pass", "Fail", "Scrap", "Skip"}}}},
      {"CFX.Production.TestAndInspection.UnitsTested",
       {{"TransactionId", Kind::kUuid},
        {"TestMethod", Kind::kEnum, false, "", {"Human", "Automated", "ICT", "FPT", "FCT", "BST"}},
        {"Tester", Kind::kObject, true, "Operator"},
        {"RecipeName", Kind::kString, true},
        {"RecipeRevision", Kind::kString, true},
        {"SamplingInformation", Kind::kObject, false, "SamplingInformation"},
        {"TestedUnits", Kind::kList, false, "TestedUnit"}}},
      {"Operator",
       {{"OperatorIdentifier", Kind::kString, true},
        {"ActorType", Kind::kEnum, false, "", {"Human", "Robot", "RemoteSystem"}},
        {"LastName", Kind::kString, true},
        {"FirstName", Kind::kString, true},
        {"LoginName", Kind::kString, true}}},
      {"SamplingInformation",
       {{"SamplingMethod",
         Kind::kEnum,
         false,
         "",
         {"NoSampling", "ANSI_Z14", "MIL_STD_105", "MIL_STD_1916", "Squeglia", "FixedSample"}},
        {"LotSize", Kind::kNumber, true},
        {"SampleSize", Kind::kNumber, true}}},
      {"TestedUnit",
       {{"UnitIdentifier", Kind::kString, true},
        {"UnitPositionNumber", Kind::kInt, true},
        {"OverallResult", Kind::kEnum, false, "", kTestResult},
        {"Tests", Kind::kList, false, "Test"}}},
      {"Test",
       {{"UniqueIdentifier", Kind::kString},
        {"TestName", Kind::kString},
        {"TestStartTime", Kind::kTime, true},
        {"TestEndTime", Kind::kTime, true},
        {"TestConditions", Kind::kList},
        {"TestProcedure", Kind::kString, true},
        {"Comments", Kind::kString, true},
        {"Result", Kind::kEnum, false, "", kTestResult},
        {"Error", Kind::kString, true},
        {"SymptomsFound", Kind::kList},
        {"DefectsFound", Kind::kList},
        {"Measurements", Kind::kList, false, "Measurement"}}},
      {"Measurement",
       {{"UniqueIdentifier", Kind::kString},
        {"MeasurementName", Kind::kString},
        {"TimeRecorded", Kind::kTime, true},
        {"Sequence", Kind::kInt},
        {"Result", Kind::kEnum, false, "", kTestResult},
        {"CRDs", Kind::kString, true}}},
      {"CFX.Structures.NumericMeasurement, CFX",
       {{"MeasuredValue", Kind::kObject, false, "NumericValue"}}},
      {"CFX.Structures.BooleanMeasurement, CFX",
       {{"Value", Kind::kBool}, {"ExpectedValue", Kind::kBool}}},
      {"CFX.Structures.TextMeasurement, CFX",
       {{"Value", Kind::kString, true}, {"ExpectedValue", Kind::kString, true}}},
      {"NumericValue",
       {{"Value", Kind::kNumber},
        {"ValueUnits", Kind::kString, true},
        {"ExpectedValue", Kind::kNumber, true},
        {"ExpectedValueUnits", Kind::kString, true},
        {"MinimumAcceptableValue", Kind::kNumber, true},
        {"MinimumAcceptableValueUnits", Kind::kString, true},
        {"MaximumAcceptableValue", Kind::kNumber, true},
        {"MaximumAcceptableValueUnits", Kind::kString, true}}},
      {"CFX.InformationSystem.UnitValidation.ValidateUnitsRequest",
       {{"Validations", Kind::kList},
        {"PrimaryIdentifier", Kind::kString},
        {"HermesIdentifier", Kind::kString, true},
        {"Units", Kind::kList, false, "UnitPosition"},
        {"Lane", Kind::kInt, true}}},
  };
  return structures;
}

bool Matches(const std::string& text, const char* pattern) {
  return std::regex_match(text, std::regex(pattern));
}

void Check(const Json& value, const std::string& structure, const std::string& at,
           std::vector<std::string>& problems);

void CheckField(const Field& field, const Json& value, const std::string& at,
                std::vector<std::string>& problems) {
  const std::string where = at + "." + field.name;
  if (value.is_null()) {
    if (!field.nullable) problems.push_back(where + ": null");
    return;
  }
  bool ok = true;
  switch (field.kind) {
    case Kind::kString:
      ok = value.is_string();
      break;
    case Kind::kInt:
      ok = value.is_number_integer();
      break;
    case Kind::kNumber:
      ok = value.is_number();
      break;
    case Kind::kBool:
      ok = value.is_boolean();
      break;
    case Kind::kMap:
      ok = value.is_object();
      break;
    case Kind::kUuid:
      ok = value.is_string() &&
           Matches(value, "[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}");
      break;
    case Kind::kTime:
      ok = value.is_string() &&
           Matches(value, R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?(Z|[+-]\d\d:\d\d))");
      break;
    case Kind::kTimeSpan:
      ok = value.is_string() && Matches(value, R"((\d+\.)?\d\d:\d\d:\d\d)");
      break;
    case Kind::kState:
      ok = value.is_number_integer() &&
           std::find(kStates.begin(), kStates.end(), std::to_string(value.get<int>())) !=
               kStates.end();
      break;
    case Kind::kEnum:
      ok = value.is_string() && std::find(field.values.begin(), field.values.end(),
                                          value.get<std::string>()) != field.values.end();
      break;
    case Kind::kObject:
      ok = value.is_object();
      if (ok && *field.structure) Check(value, field.structure, where, problems);
      break;
    case Kind::kList:
      ok = value.is_array();
      for (size_t i = 0; ok && *field.structure && i < value.size(); ++i)
        Check(value[i], field.structure, where + "[" + std::to_string(i) + "]", problems);
      break;
  }
  if (!ok) problems.push_back(where + ": " + value.dump());
}

void Check(const Json& value, const std::string& structure, const std::string& at,
           std::vector<std::string>& problems) {
  if (!value.is_object()) {
    problems.push_back(at + ": not an object");
    return;
  }
  std::vector<std::string> names{structure};
  if (structure == "Measurement") {
    // Polymorphic: its "$type" names the measurement's own fields.
    const std::string type = value.value("$type", "");
    if (!Structures().contains(type)) problems.push_back(at + ": $type " + type);
    names.push_back(type);
  }
  for (const std::string& name : names) {
    const auto found = Structures().find(name);
    if (found == Structures().end()) continue;
    for (const Field& field : found->second) {
      if (!value.contains(field.name)) {
        problems.push_back(at + "." + field.name + ": missing");
        continue;
      }
      CheckField(field, value[field.name], at, problems);
    }
  }
}

}  // namespace

std::vector<std::string> CheckEnvelope(const std::string& line) {
  std::vector<std::string> problems;
  const Json envelope = Json::parse(line, nullptr, false);
  Check(envelope, "CFXEnvelope", "envelope", problems);
  if (!problems.empty()) return problems;
  const std::string name = envelope["MessageName"];
  if (!Structures().contains(name)) return {"no definition for " + name};
  Check(envelope["MessageBody"], name, name, problems);
  return problems;
}

}  // namespace halyard::factory::testing
