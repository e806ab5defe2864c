// Console message boxes and the virtual clock of halyardctl.
#include "cli/ConsoleServices.h"

#include "cli/JsonWriter.h"

namespace halyard::cli {

void ConsoleDialogs::MsgBox(const std::string& prompt, int /*style*/, const std::string& title) {
  ++total_;
  if (echo_ != nullptr) {
    *echo_ << "  message " << QuoteText(title) << ": " << QuoteText(prompt) << "\n";
  }
}

void VirtualClockPump::WaitUntil(Clock::time_point deadline) {
  if (deadline <= now_) return;
  waited_ += deadline - now_;
  now_ = deadline;
}

}  // namespace halyard::cli
