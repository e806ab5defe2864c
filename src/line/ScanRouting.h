// Where a scan at the line's window goes: to the socket named before a ':' ("3:HY-0021"), else
// to the socket waiting for a unit (the first ready one with nothing queued, in the line's
// order), and what the session's tally makes of the units that ended.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "line/Supervisor.h"

namespace halyard::line {

// The socket a plain scan goes to: the first one ready with nothing waiting for it; none when
// every socket is busy, starting or down.
std::optional<size_t> WaitingSocket(const std::vector<SocketView>& sockets);

struct RoutedScan {
  size_t socket = 0;
  std::string unit;
};

// False with the reason when the scan has no unit, names no socket of the line, or finds no
// socket waiting.
bool RouteScan(const std::vector<SocketView>& sockets, const std::string& scan, RoutedScan& routed,
               std::string& reason);

// The session's units per hour and first-pass yield: a unit counts once, passed first when its
// first run of the session passed.
class LineTally {
 public:
  void Add(const UnitReport& report);
  size_t Units() const { return firstRuns_.size(); }
  size_t Runs() const { return runs_; }
  // The share of units whose first run passed; 0 before the first.
  double FirstPassYield() const;
  // Runs per hour over `hours` of the session.
  double RunsPerHour(double hours) const;

 private:
  std::map<std::string, bool> firstRuns_;  // unit: its first run passed
  size_t runs_ = 0;
};

}  // namespace halyard::line
