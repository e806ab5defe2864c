// Console message boxes and the virtual clock of halyardctl.
#include "cli/ConsoleServices.h"

#include <utility>

#include "cli/JsonWriter.h"

namespace halyard::cli {

void ConsoleDialogs::MsgBox(const std::string& prompt, int /*style*/, const std::string& title) {
  ++total_;
  pending_.push_back({title, prompt});
  if (echo_ != nullptr) {
    *echo_ << "  message " << QuoteText(title) << ": " << QuoteText(prompt) << "\n";
  }
}

std::vector<Message> ConsoleDialogs::TakeMessages() {
  return std::exchange(pending_, {});
}

void VirtualClockPump::WaitUntil(Clock::time_point deadline) {
  if (deadline <= now_) return;
  waited_ += deadline - now_;
  now_ = deadline;
}

}  // namespace halyard::cli
