// The line's configuration, from the station's configuration file: the sockets, each with its
// own adapter backend (and bench file, and counter), the sequence each unit goes through, the
// retest limit and the step time limit.
//
//   [Line]
//   Sockets=1 2 3 4                              ; the sockets' names, in the order shown
//   Sequence=program run-all trim-start trim-auto=store
//   RetestLimit=2                                ; runs of a unit after its first (none: any)
//   StepTimeoutSeconds=60                        ; a step that takes longer hangs: it is ended
//   Counter=scpi:tcp:10.0.0.7:5025               ; the counter the sockets share, in turns
//
//   [Socket 1]
//   Adapter=sim                                  ; as --adapter; default sim
//   Bench=socket1.json                           ; a sim socket's bench (relative to this file)
//   Counter=scpi:tcp:10.0.0.8:5025               ; a counter of this socket's own
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "app/Configuration.h"
#include "assembly/Steps.h"

namespace halyard::line {

struct SocketConfig {
  std::string name;                  // "1", "A2": letters, digits, '-' and '_'
  std::string adapter;               // the backend, as --adapter writes it; empty: sim
  std::optional<std::string> bench;  // a sim socket's bench file, as an absolute path
  std::string counter;               // the counter line: its own, else the line's; empty: none
  bool counterShared = false;        // the line's counter: taken in turns with the others
};

struct LineConfig {
  std::vector<SocketConfig> sockets;
  std::vector<Step> sequence;      // actions of the action table, in order
  std::optional<int> retestLimit;  // none: a unit may be run again any number of times
  double stepTimeoutSeconds = 120.0;
  std::filesystem::path configPath;  // the file read: the workers read it too
  // The file as read: its [Station] and [Records] for the supervisor's own records.
  ProfileFile configuration;
};

inline constexpr double kDefaultStepTimeoutSeconds = 120.0;

// True when `profile` has a [Line] section with sockets.
bool HasLine(const ProfileFile& profile);

// Reads the line from the configuration file at `configPath`. False, with one line naming the
// key and the reason, for a line that cannot run: no sockets, a bad socket name or one given
// twice, a sequence with an unknown step or with a step that is no action (state, serial=), a
// value out of range.
bool ReadLineConfig(const ProfileFile& profile, const std::filesystem::path& configPath,
                    LineConfig& line, std::string& error);

}  // namespace halyard::line
