// The window's services for halyardctl: message boxes printed and counted instead of shown,
// and a virtual clock that lets --no-wait skip the pauses of "Run All" and the trim update.
#pragma once

#include <ostream>
#include <string>

#include "adapter/Dialogs.h"
#include "adapter/EventPump.h"

namespace halyard::cli {

class ConsoleDialogs final : public Dialogs {
 public:
  // `echo` (may be null) receives one line per message box as it is raised.
  explicit ConsoleDialogs(std::ostream* echo) : echo_(echo) {}

  void MsgBox(const std::string& prompt, int style, const std::string& title) override;
  // Every message box of the session, start-up's included.
  int TotalCount() const { return total_; }

 private:
  std::ostream* echo_;
  int total_ = 0;
};

// Time that moves only when someone waits: every wait ends at once at its deadline. The
// station's logic sees the same sequence of times as with a real clock, so only the pacing
// changes, never a verdict or a bus transaction.
class VirtualClockPump final : public EventPump {
 public:
  VirtualClockPump() : now_(Clock::now()) {}
  Clock::time_point Now() override { return now_; }
  void WaitUntil(Clock::time_point deadline) override;
  Clock::duration Waited() const { return waited_; }

 private:
  Clock::time_point now_;
  Clock::duration waited_{};
};

}  // namespace halyard::cli
