// What the fault sweep asks of every halyardctl session, read from its JSON lines and the bench's
// state file: no failed transfer behind a passed verdict, write enable never left set unsaid,
// the reserved row either kept or holding the trim the operator stored, and an exit status
// that says all of it.
#pragma once

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "sim/SimController.h"  // FlashRow

namespace halyard::sweep {

using Json = nlohmann::json;
using Findings = std::vector<std::string>;

// The operation of one bus trace line, "Op in=.. -> status out=..".
std::string BusOp(const std::string& line);

// How often the sweep went where it is meant to go, so a sweep that stopped reaching the trim
// update's paths fails instead of passing on nothing.
struct Tally {
  int passedUpdates = 0;
  int failedUpdates = 0;
  int flashLeftOpen = 0;   // updates that said write enable stayed set
  int neverEnabled = 0;    // failed updates that never wrote write enable, and said nothing of it
  int closingRetries = 0;  // passed updates whose first closing attempt failed
  int rowsStored = 0;      // sessions whose saved row holds a new trim
  int failedSteps = 0;
};

// What a session leaves to be checked: its exit status, its stderr, its JSON lines, and the
// reserved row in the bench's state file.
struct SessionFacts {
  int code;
  std::string err;
  std::vector<Json> lines;
  FlashRow rowBefore;  // in the state file before the session (the factory row without one)
  FlashRow rowAfter;   // in the state file after it
  bool saved;          // the bench wrote the state file at the end of the session
};

// Adds one line per broken promise to `findings`.
void CheckSession(const SessionFacts& session, Tally& tally, Findings& findings);

}  // namespace halyard::sweep
