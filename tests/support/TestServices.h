// Test doubles of the window's services: message boxes are recorded, and waits advance a
// fake monotonic clock (optionally running a callback, as an operator's click would arrive
// during a real wait).
#pragma once

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "adapter/Dialogs.h"
#include "adapter/EventPump.h"

namespace halyard::testing {

struct RecordedMessage {
  std::string prompt;
  int style = 0;
  std::string title;
  bool operator==(const RecordedMessage&) const = default;
};

class RecordingDialogs final : public Dialogs {
 public:
  void MsgBox(const std::string& prompt, int style, const std::string& title) override {
    messages.push_back({prompt, style, title});
  }
  std::vector<RecordedMessage> messages;
};

class FakeEventPump final : public EventPump {
 public:
  Clock::time_point Now() override { return now; }
  void WaitUntil(Clock::time_point deadline) override {
    ++pumps;
    if (duringWait) duringWait();
    if (deadline > now) {
      waited += deadline - now;
      now = deadline;
    }
  }
  double WaitedSeconds() const { return std::chrono::duration<double>(waited).count(); }

  Clock::time_point now{};
  Clock::duration waited{};
  int pumps = 0;
  std::function<void()> duringWait;  // runs inside every pump, like events handled in a wait
};

}  // namespace halyard::testing
