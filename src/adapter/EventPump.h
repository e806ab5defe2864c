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

}  // namespace halyard
