// Routing a scan to a socket, and the session's tally.
#include "line/ScanRouting.h"

#include <algorithm>

namespace halyard::line {

std::optional<size_t> WaitingSocket(const std::vector<SocketView>& sockets) {
  for (size_t i = 0; i < sockets.size(); ++i) {
    if (sockets[i].state == SocketState::kReady && sockets[i].queued == 0) return i;
  }
  return std::nullopt;
}

bool RouteScan(const std::vector<SocketView>& sockets, const std::string& scan, RoutedScan& routed,
               std::string& reason) {
  std::string unit = scan;
  std::optional<size_t> socket;
  if (const size_t colon = scan.find(':'); colon != std::string::npos) {
    const std::string name = scan.substr(0, colon);
    const auto it =
        std::ranges::find_if(sockets, [&](const SocketView& s) { return s.name == name; });
    if (it == sockets.end()) {
      reason = "the line has no socket '" + name + "'";
      return false;
    }
    socket = static_cast<size_t>(it - sockets.begin());
    unit = scan.substr(colon + 1);
  }
  if (unit.empty()) {
    reason = "the scan holds no unit";
    return false;
  }
  if (!socket) socket = WaitingSocket(sockets);
  if (!socket) {
    reason = "no socket is waiting for a unit: wait for one, or scan SOCKET:" + unit;
    return false;
  }
  routed = {*socket, unit};
  return true;
}

void LineTally::Add(const UnitReport& report) {
  ++runs_;
  firstRuns_.emplace(report.unit, report.verdict == "passed");
}

double LineTally::FirstPassYield() const {
  if (firstRuns_.empty()) return 0.0;
  const auto passed = std::ranges::count_if(firstRuns_, [](const auto& u) { return u.second; });
  return static_cast<double>(passed) / static_cast<double>(firstRuns_.size());
}

double LineTally::RunsPerHour(double hours) const {
  return hours > 0.0 ? static_cast<double>(runs_) / hours : 0.0;
}

}  // namespace halyard::line
