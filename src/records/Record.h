// One production record: what one operator action did to one unit, on which station, by whom,
// with which software, configuration and firmware, and what it measured. The stores keep it as
// it is; every field is always present, empty where nothing applies.
#pragma once

#include <string>
#include <vector>

namespace halyard::records {

// Raised when a field is added or changes meaning; the stores migrate to it. 2: `socket`.
inline constexpr int kRecordSchema = 2;

inline constexpr const char* kVerdictPassed = "passed";
inline constexpr const char* kVerdictFailed = "failed";

struct FirmwareImage {
  std::string path;    // as handed to the adapter
  std::string sha256;  // of the file's bytes; empty when it could not be read
  bool operator==(const FirmwareImage&) const = default;
};

struct RecordMessage {
  std::string title;
  std::string text;
  bool operator==(const RecordMessage&) const = default;
};

struct Record {
  std::string id;  // a UUID v4: unique across stations, so spooled records are written once
  int schema = kRecordSchema;
  std::string station;
  std::string socket;        // the line's socket that held the unit; empty on a station of one
  std::string operatorName;  // "operator" in every store and output
  std::string unit;          // the serial of the unit under test; empty when none was given
  std::string adapter;       // backend and the adapter's listed name: "simulated HALYARD-SIM0"
  std::string software;      // the station's version
  std::string configSha256;
  std::string action;
  std::string verdict;  // kVerdictPassed or kVerdictFailed
  std::string reason;
  std::string started;  // ISO 8601, UTC, milliseconds
  std::string ended;
  std::string measurements = "{}";  // a JSON object, as text
  std::vector<FirmwareImage> firmware;
  std::vector<RecordMessage> messages;
  std::vector<std::string> trace;
  bool operator==(const Record&) const = default;
};

// What List returns; an empty field does not filter.
struct RecordFilter {
  std::string since;  // records started at or after this time (a prefix of the record format)
  std::string unit;
  std::string action;
  std::string station;  // empty: every station's
  std::string socket;   // empty: every socket's
  size_t newest = 0;    // only the newest this many (0: all), still listed oldest first
};

enum class YieldBy { kDay, kUnit, kAction, kSocket };

struct YieldGroup {
  std::string key;  // the day (YYYY-MM-DD), the unit, the action or the socket
  int tested = 0;   // records
  int passed = 0;
  int failed = 0;
  int units = 0;                // distinct units; a record without a unit is a unit of its own
  double firstPassYield = 0.0;  // share of those units whose first record of each action passed
};

}  // namespace halyard::records
