// What the fault sweep asks of every halyardctl session, read from its JSON lines and the bench's
// state file: no failed transfer behind a passed verdict, write enable never left set unsaid,
// the reserved row either kept or holding the trim the operator stored, and an exit status
// that says all of it.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "sim/SimController.h"  // FlashRow

namespace halyard::sweep {

using Json = nlohmann::json;
using Findings = std::vector<std::string>;

// One bus trace line, "Op in=.. -> status out=..": the operations that return nothing
// (ListDevices, CloseDevice) have no status.
struct BusLine {
  std::string op;
  std::string inputs;
  std::optional<int> status;
  std::string outputs;

  bool Failed() const { return status.value_or(0) != 0; }
  // The number after " name=" among the inputs or the outputs (hexadecimal with 0x).
  std::optional<long> In(const std::string& name) const;
  std::optional<long> Out(const std::string& name) const;
};
BusLine ParseBusLine(const std::string& line);

// How often the sweep went where it is meant to go, so a sweep that stopped reaching the trim
// update's paths fails instead of passing on nothing.
struct Tally {
  int passedUpdates = 0;
  int failedUpdates = 0;
  int flashLeftOpen = 0;   // updates that said write enable stayed set
  int closingRetries = 0;  // passed updates whose first closing attempt failed
  int rowsStored = 0;      // sessions whose saved row holds a new trim
  int failedSteps = 0;
};

// Each check adds one line per broken promise to `findings`.
void CheckVerdicts(const std::vector<Json>& lines, Tally& tally, Findings& findings);
void CheckWriteEnable(const std::vector<Json>& lines, Tally& tally, Findings& findings);
void CheckExitStatus(int code, const std::string& err, const std::vector<Json>& lines,
                     Findings& findings);

struct RowFacts {
  FlashRow before;  // in the state file before the session (the factory row without one)
  FlashRow after;   // in the state file after it
  bool saved;       // the bench wrote the state file at the end of the session
};
void CheckReservedRow(const std::vector<Json>& lines, const RowFacts& row, Tally& tally,
                      Findings& findings);

}  // namespace halyard::sweep
