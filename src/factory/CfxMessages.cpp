// The CFX envelope and the messages about the station and a unit's work.
#include "factory/CfxMessages.h"

#include <cstdio>

#include "factory/CfxJson.h"
#include "records/RecordFormat.h"

namespace halyard::factory {

namespace {

const Json& At(const Json& json, const char* key) {
  static const Json kNull;
  const auto it = json.find(key);
  return it == json.end() ? kNull : *it;
}

std::string Dump(const Json& json) {
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// A .NET TimeSpan as CFX writes it: [d.]hh:mm:ss.
std::string TimeSpan(std::chrono::seconds span) {
  const long long total = span.count() < 0 ? 0 : span.count();
  char text[48];
  const long long days = total / 86400;
  if (days > 0) {
    std::snprintf(text, sizeof text, "%lld.%02lld:%02lld:%02lld", days, total / 3600 % 24,
                  total / 60 % 60, total % 60);
  } else {
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", total / 3600, total / 60 % 60,
                  total % 60);
  }
  return text;
}

const char* FaultCode(records::StationFault fault) {
  return fault == records::StationFault::kAdapterLost ? "ADAPTER_LOST" : "STORE_UNREACHABLE";
}

// CFX.Structures.Fault.
Json FaultJson(const FaultInfo& fault) {
  const bool adapter = fault.fault == records::StationFault::kAdapterLost;
  return {{"TransactionID", nullptr},
          {"Cause", adapter ? "ElectricalFailure" : "SoftwareFailure"},
          {"Severity", "Error"},
          {"FaultCode", FaultCode(fault.fault)},
          {"FaultOccurrenceId", fault.occurrenceId},
          {"Lane", nullptr},
          {"Stage", nullptr},
          {"SideLocation", "Unknown"},
          {"AccessType", "Unknown"},
          {"Description", fault.text.substr(0, 1024)},
          {"DescriptionTranslations", Json::object()},
          {"OccurredAt", fault.occurredAt},
          {"DueDateTime", nullptr}};
}

const char* WorkResult(records::UnitVerdict verdict) {
  switch (verdict) {
    case records::UnitVerdict::kPassed:
      return "Completed";
    case records::UnitVerdict::kFailed:
      return "Failed";
    case records::UnitVerdict::kNotTested:
      break;
  }
  return "Aborted";
}

}  // namespace

Stamp Stamp::Now() {
  return {records::FormatUtc(std::chrono::system_clock::now()), records::NewRecordId()};
}

Json TextOrNull(const std::string& text) {
  return text.empty() ? Json(nullptr) : Json(records::ValidUtf8(text));
}

int PositionOf(const std::string& socket) {
  if (socket.empty()) return 1;
  int number = 0;
  for (const char c : socket) {
    if (c < '0' || c > '9' || number > 100000) return 0;
    number = number * 10 + (c - '0');
  }
  return number;
}

std::string EnvelopeLine(const std::string& messageName, const std::string& handle,
                         const Stamp& stamp, Json body, const std::string& target,
                         const std::string& requestId) {
  const Json envelope = {{"MessageName", messageName},
                         {"Version", kCfxVersion},
                         {"TimeStamp", stamp.time},
                         {"UniqueID", stamp.uniqueId},
                         {"Source", handle},
                         {"Target", TextOrNull(target)},
                         {"RequestID", TextOrNull(requestId)},
                         {"MessageBody", std::move(body)}};
  return Dump(envelope);
}

namespace {

// CFX.Structures.UnitPosition of a unit at its socket.
Json UnitPositionJson(const records::UnitWork& work, std::optional<bool> passed) {
  Json position = {{"UnitIdentifier", records::ValidUtf8(work.unit)},
                   {"PositionNumber", PositionOf(work.socket)},
                   {"PositionName", TextOrNull(work.socket)},
                   {"X", 0.0},
                   {"Y", 0.0},
                   {"Z", nullptr},
                   {"Rotation", 0.0},
                   {"FlipX", false},
                   {"FlipY", false}};
  position["Status"] = passed.value_or(true) ? "Pass" : "Fail";
  return position;
}

}  // namespace

std::string WorkStarted(const std::string& handle, const UnitTransaction& unit,
                        const Stamp& stamp) {
  Json body = {{"PrimaryIdentifier", records::ValidUtf8(unit.work.unit)},
               {"HermesIdentifier", nullptr},
               {"TransactionID", unit.transactionId},
               {"Lane", nullptr},
               {"UnitCount", 1},
               {"Units", Json::array({UnitPositionJson(unit.work, std::nullopt)})},
               {"RecipeName", nullptr},
               {"Revision", nullptr},
               {"RelevantSurface", "Unspecified"},
               {"WorkOrderIdentifier", nullptr}};
  return EnvelopeLine("CFX.Production.WorkStarted", handle, stamp, std::move(body));
}

std::string WorkCompleted(const std::string& handle, const UnitTransaction& unit,
                          records::UnitVerdict verdict, const Stamp& stamp) {
  const bool passed = verdict == records::UnitVerdict::kPassed;
  Json body = {{"TransactionID", unit.transactionId},
               {"Result", WorkResult(verdict)},
               {"PrimaryIdentifier", records::ValidUtf8(unit.work.unit)},
               {"HermesIdentifier", nullptr},
               {"UnitCount", 1},
               {"Units", Json::array({UnitPositionJson(unit.work, passed)})},
               {"PerformanceImpacts", nullptr}};
  return EnvelopeLine("CFX.Production.WorkCompleted", handle, stamp, std::move(body));
}

std::string StationStateChanged(const std::string& handle, ResourceState oldState,
                                std::optional<std::chrono::seconds> oldStateDuration,
                                ResourceState newState, const FaultInfo* relatedFault,
                                const Stamp& stamp) {
  Json body = {
      {"OldState", static_cast<int>(oldState)},
      {"OldStateDuration", oldStateDuration ? Json(TimeSpan(*oldStateDuration)) : Json(nullptr)},
      {"NewState", static_cast<int>(newState)},
      {"RelatedFault", relatedFault ? FaultJson(*relatedFault) : Json(nullptr)}};
  return EnvelopeLine("CFX.ResourcePerformance.StationStateChanged", handle, stamp,
                      std::move(body));
}

std::string FaultOccurred(const std::string& handle, const FaultInfo& fault, const Stamp& stamp) {
  return EnvelopeLine("CFX.ResourcePerformance.FaultOccurred", handle, stamp,
                      {{"Fault", FaultJson(fault)}});
}

std::string FaultCleared(const std::string& handle, const FaultInfo& fault, const Stamp& stamp) {
  return EnvelopeLine("CFX.ResourcePerformance.FaultCleared", handle, stamp,
                      {{"FaultOccurrenceId", fault.occurrenceId}, {"Operator", nullptr}});
}

std::string Heartbeat(const std::string& handle, std::chrono::seconds frequency,
                      const std::vector<FaultInfo>& activeFaults, const Stamp& stamp) {
  Json faults = Json::array();
  for (const FaultInfo& fault : activeFaults)
    faults.push_back(FaultJson(fault));
  return EnvelopeLine("CFX.Heartbeat", handle, stamp,
                      {{"CFXHandle", handle},
                       {"HeartbeatFrequency", TimeSpan(frequency)},
                       {"ActiveFaults", std::move(faults)},
                       {"ActiveRecipes", nullptr}});
}

std::string ValidateUnitsRequest(const std::string& handle, const std::string& mesHandle,
                                 const std::string& requestId, const records::UnitWork& work,
                                 const Stamp& stamp) {
  Json body = {{"Validations", Json::array({"UnitRouteValidation", "UnitStatusValidation"})},
               {"PrimaryIdentifier", records::ValidUtf8(work.unit)},
               {"HermesIdentifier", nullptr},
               {"Units", Json::array({UnitPositionJson(work, std::nullopt)})},
               {"Lane", nullptr}};
  return EnvelopeLine("CFX.InformationSystem.UnitValidation.ValidateUnitsRequest", handle, stamp,
                      std::move(body), mesHandle, requestId);
}

std::optional<ValidationAnswer> ReadValidateUnitsResponse(const std::string& envelope,
                                                          const std::string& requestId) {
  const Json json = Json::parse(envelope, nullptr, false);
  if (!json.is_object() ||
      At(json, "MessageName") != "CFX.InformationSystem.UnitValidation.ValidateUnitsResponse" ||
      At(json, "RequestID") != requestId || !At(json, "MessageBody").is_object())
    return std::nullopt;
  const Json& primary = At(At(json, "MessageBody"), "PrimaryResult");
  if (!primary.is_object() || !At(primary, "Result").is_string()) return std::nullopt;
  ValidationAnswer answer;
  answer.passed = At(primary, "Result") == "Passed";
  if (At(primary, "Message").is_string()) answer.message = At(primary, "Message");
  if (At(primary, "FailureCode").is_number_integer())
    answer.failureCode = At(primary, "FailureCode");
  return answer;
}

bool ReadEnvelopeHeader(const std::string& envelope, EnvelopeHeader& header) {
  const Json json = Json::parse(envelope, nullptr, false);
  if (!json.is_object() || !At(json, "MessageName").is_string() ||
      !At(json, "UniqueID").is_string())
    return false;
  const auto text = [&json](const char* key) {
    return At(json, key).is_string() ? At(json, key).get<std::string>() : std::string();
  };
  header = {text("MessageName"), text("UniqueID"), text("Source"), text("Target"),
            text("RequestID")};
  return true;
}

}  // namespace halyard::factory
