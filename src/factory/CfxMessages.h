// The IPC-CFX messages the station publishes, each as one line of JSON in the CFX envelope
// (MessageName, Version, TimeStamp, UniqueID, Source, Target, RequestID, MessageBody), with the
// bodies' field names and types as the CFX definitions give them (docs/factory.md says which
// definition each follows and where each record field goes).
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "records/Record.h"
#include "records/UnitWork.h"

namespace halyard::factory {

inline constexpr const char* kCfxVersion = "2.1";

// The states of CFX's resource state model (SEMI E10/E58) that the station passes through.
enum class ResourceState : int {
  kRegularWork = 1100,         // a unit is in work
  kNoProduct = 2200,           // standing by for the next unit
  kUnscheduledDown = 5000,     // a fault keeps it from working
  kShutdownAndStartup = 6500,  // starting or shut down
};

// A fault of the station as CFX's Fault structure tells it.
struct FaultInfo {
  records::StationFault fault = records::StationFault::kAdapterLost;
  std::string occurrenceId;  // a UUID, the same in FaultOccurred and FaultCleared
  std::string text;          // the Description
  std::string occurredAt;    // ISO 8601 UTC
};

// A unit's work as the messages about it share it: the CFX transaction and where it sits.
struct UnitTransaction {
  records::UnitWork work;
  std::string transactionId;  // a UUID
};

// What the MES answered a unit check.
struct ValidationAnswer {
  bool passed = false;
  std::string message;  // PrimaryResult.Message
  int failureCode = 0;  // PrimaryResult.FailureCode
};

// Every message's time and id: now and a fresh UUID unless given.
struct Stamp {
  std::string time;
  std::string uniqueId;
  static Stamp Now();
};

// The position a socket gives in CFX's PositionNumber: a socket named by a number is that
// number, a station of one is position 1, any other name is 0 (its name goes in PositionName).
int PositionOf(const std::string& socket);

// One test per record, the record's id as the envelope's UniqueID, so that a record sent twice
// (live and by a backfill) is dropped by a receiver as a repeat.
std::string UnitsTested(const std::string& handle, const records::Record& record,
                        const std::string& transactionId);
std::string WorkStarted(const std::string& handle, const UnitTransaction& unit, const Stamp& stamp);
std::string WorkCompleted(const std::string& handle, const UnitTransaction& unit,
                          records::UnitVerdict verdict, const Stamp& stamp);
std::string StationStateChanged(const std::string& handle, ResourceState oldState,
                                std::optional<std::chrono::seconds> oldStateDuration,
                                ResourceState newState, const FaultInfo* relatedFault,
                                const Stamp& stamp);
std::string FaultOccurred(const std::string& handle, const FaultInfo& fault, const Stamp& stamp);
std::string FaultCleared(const std::string& handle, const FaultInfo& fault, const Stamp& stamp);
std::string Heartbeat(const std::string& handle, std::chrono::seconds frequency,
                      const std::vector<FaultInfo>& activeFaults, const Stamp& stamp);
std::string ValidateUnitsRequest(const std::string& handle, const std::string& mesHandle,
                                 const std::string& requestId, const records::UnitWork& work,
                                 const Stamp& stamp);
// The answer in a ValidateUnitsResponse envelope; none when `envelope` is not one, or answers
// another request.
std::optional<ValidationAnswer> ReadValidateUnitsResponse(const std::string& envelope,
                                                          const std::string& requestId);

// What the AMQP message's properties repeat of an envelope.
struct EnvelopeHeader {
  std::string messageName;
  std::string uniqueId;
  std::string source;
  std::string target;
  std::string requestId;
};
bool ReadEnvelopeHeader(const std::string& envelope, EnvelopeHeader& header);

}  // namespace halyard::factory
