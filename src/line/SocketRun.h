// One socket of the line as its supervisor runs it: its worker process, the units waiting for
// it, the unit being tested, the step running and its time limit, and the worker's restarts.
// Used on the supervisor's thread only.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "line/LineRecords.h"
#include "line/Protocol.h"
#include "line/Supervisor.h"
#include "line/WorkerProcess.h"

namespace halyard::line {

class Supervisor::SocketRun {
 public:
  SocketRun(SocketConfig config, std::vector<std::string> workerArgs, const SupervisorSetup& setup,
            LineRecords& records);

  const SocketView& View() const { return view_; }
  // The worker's output descriptor to wait on; -1 while it is not running.
  int Output() const { return worker_.Output(); }
  void Queue(std::string unit);
  // What the worker wrote, and its end; true when the view changed.
  bool OnOutput(LineClock::time_point now, std::vector<UnitReport>& ended);
  // Starts, restarts, hands out the next unit, ends a step past its limit; true when the view
  // changed.
  bool OnTick(LineClock::time_point now);
  // When OnTick has something to do next; max() for nothing.
  LineClock::time_point NextDeadline() const;
  // No unit running and none waiting, nor the end of one whose worker died (unless no worker
  // of the socket can start to tell it).
  bool Idle() const {
    return !unit_ && queue_.empty() && (!unfinished_ || view_.state == SocketState::kDown);
  }
  // No more units: the worker is told so and ends, and is not started again.
  void Close() {
    closed_ = true;
    worker_.CloseInput();
  }
  bool WorkerRunning() const { return worker_.Running(); }
  void Kill() { worker_.Kill(); }
  void Reap();

 private:
  struct Unit {
    UnitReport report;
    UnitOrder order;
    size_t step = 0;  // the step running or next, by index
    LineClock::time_point began;
    std::chrono::system_clock::time_point stepBegan;
  };

  void Launch(LineClock::time_point now);
  // When the step beginning `now` passes its time limit.
  LineClock::time_point StepDeadline(LineClock::time_point now) const;
  void Handle(const WorkerEvent& event, LineClock::time_point now, std::vector<UnitReport>& ended);
  void WorkerEnded(LineClock::time_point now, std::vector<UnitReport>& ended);
  void EndUnit(LineClock::time_point now, std::vector<UnitReport>& ended);

  SocketConfig config_;
  std::vector<std::string> workerArgs_;
  const SupervisorSetup& setup_;
  LineRecords& records_;
  WorkerProcess worker_;
  SocketView view_;
  std::deque<std::string> queue_;
  std::optional<Unit> unit_;
  std::optional<UnitOrder> unfinished_;  // a unit whose worker died: its work is still to end
  std::string workerFault_;              // why the worker was ended: a step past its limit
  std::string downReason_;  // what the worker said before it ended, if it could not start
  LineClock::time_point restartAt_{};  // the clock's epoch: at once
  LineClock::time_point stepDeadline_ = LineClock::time_point::max();
  int failures_ = 0;  // in a row, for the pause before the next start
  bool closed_ = false;
};

}  // namespace halyard::line
