// The records the line's supervisor writes itself: a step that its socket's worker could not
// finish because the worker died or hung, failed with the reason, under the id the supervisor
// handed the worker for it (so a step the worker did record is stored once, as the worker
// recorded it).
#pragma once

#include <chrono>
#include <string>

#include "app/Configuration.h"
#include "records/ActionRecorder.h"

namespace halyard::line {

struct FailedStep {
  std::string id;  // the id handed out with the unit
  std::string socket;
  std::string unit;
  std::string adapter;  // the socket's, as its worker named it
  std::string action;   // the action's name (the sequence's step may add a value)
  std::string reason;
  std::chrono::system_clock::time_point started;
  std::chrono::system_clock::time_point ended;
};

class LineRecords {
 public:
  // Opens `store` (empty or "none": nothing is recorded). False with one line for a store name
  // that can never work.
  bool Open(const ProfileFile& configuration, const std::string& store,
            const std::filesystem::path& spool, const std::string& operatorName,
            std::string& error);
  void Record(const FailedStep& step);

 private:
  records::ActionRecorder recorder_;
  records::RecordSource source_;
};

}  // namespace halyard::line
