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

// What a query reads; an empty field does not filter.
struct RecordFilter {
  std::string since;  // records started at or after this time (a prefix of the record format)
  std::string unit;
  std::string action;
  std::string station;  // empty: every station's
  std::string socket;   // empty: every socket's
  size_t newest = 0;    // only the newest this many (0: all), still listed oldest first
  std::string until;    // records started before this time (a prefix of the record format)
};

// The order records are listed in: oldest first (in the order written, for equal times), or one
// unit after another (units by their serial, each unit's oldest first).
enum class RecordOrder { kOldestFirst, kByUnit };

// kAll is one group of every record the filter lets through; kHour is the UTC hour
// ("2026-12-06T12").
enum class YieldBy { kDay, kUnit, kAction, kSocket, kHour, kStation, kAll };

struct YieldGroup {
  std::string key;  // the day (YYYY-MM-DD), unit, action, socket, hour or station; "" for kAll
  int tested = 0;   // records
  int passed = 0;
  int failed = 0;
  int units = 0;                // distinct units; a record without a unit is a unit of its own
  int firstPassUnits = 0;       // units whose first record of each action passed
  int finalPassUnits = 0;       // units whose last record of each action passed
  int retests = 0;              // records after a unit's first of the same action
  double firstPassYield = 0.0;  // firstPassUnits / units
  double finalYield = 0.0;      // finalPassUnits / units
};

// The failed records of one reason, for a ranking of the reasons.
struct FailureCount {
  std::string reason;
  int records = 0;
};

// The automatic trim's final error (the chosen code's ppm) of the records of one tolerance,
// counted into kTrimBins bins across twice the tolerance each side, plus one below and one
// above.
inline constexpr int kTrimBins = 20;
struct TrimSpread {
  double tolerancePpm = 0.0;
  int count = 0;
  double sum = 0.0;
  double sumOfSquares = 0.0;
  double min = 0.0;
  double max = 0.0;
  std::vector<int> bins = std::vector<int>(kTrimBins + 2, 0);  // [0] below, [kTrimBins+1] above
};

}  // namespace halyard::records
