// A unit's work at the station, as the front ends and the line report it to the record outputs:
// when it begins (the unit is scanned, or the line's sequence starts on it), when it ends and with
// what verdict, and the faults of the station that outputs pass on. Nothing here knows the window,
// halyardctl or any message format.
#pragma once

#include <string>

namespace halyard::records {

struct UnitWork {
  std::string unit;    // the serial; empty when none was given
  std::string socket;  // the line's socket that holds it; empty on a station of one
  // The work's own id where the front end gives one (the line's supervisor, so that another
  // process can end the work); empty: an output that needs one makes it.
  std::string id;
  bool operator==(const UnitWork&) const = default;
};

// How a unit's work ended: passed when the last record of every action it ran passed, failed
// when one did not, not tested when it left without a record.
enum class UnitVerdict { kPassed, kFailed, kNotTested };

// What keeps the station from working that the factory hears of.
enum class StationFault {
  kAdapterLost,       // an action found the adapter closed or gone
  kStoreUnreachable,  // records wait in the spool, or were lost
};

}  // namespace halyard::records
