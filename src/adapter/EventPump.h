// Waiting while the window stays responsive. Time is monotonic: a change of the time of
// day or midnight has no effect on a wait.
#pragma once

#include <chrono>

namespace halyard {

class EventPump {
 public:
  using Clock = std::chrono::steady_clock;
  virtual ~EventPump() = default;
  virtual Clock::time_point Now() = 0;
  // Handles pending window events and blocks (without burning CPU) until `deadline` or until
  // an event was handled, whichever is first. May return early; callers loop on Now().
  virtual void WaitUntil(Clock::time_point deadline) = 0;
};

// A pump without a window: sleeps until the deadline.
class SleepingEventPump final : public EventPump {
 public:
  Clock::time_point Now() override { return Clock::now(); }
  void WaitUntil(Clock::time_point deadline) override;
};

// Time that moves only when someone waits: every wait ends at once at its deadline. The
// station's logic sees the same sequence of times as with a real clock, so only the pacing
// changes, never a verdict or a bus transaction (halyardctl --no-wait).
class VirtualClockPump final : public EventPump {
 public:
  VirtualClockPump() : now_(Clock::now()) {}
  Clock::time_point Now() override { return now_; }
  void WaitUntil(Clock::time_point deadline) override {
    if (deadline <= now_) return;
    waited_ += deadline - now_;
    now_ = deadline;
  }
  Clock::duration Waited() const { return waited_; }

 private:
  Clock::time_point now_;
  Clock::duration waited_{};
};

}  // namespace halyard
