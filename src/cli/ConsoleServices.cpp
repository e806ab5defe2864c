// Console message boxes of halyardctl.
#include "cli/ConsoleServices.h"

#include "cli/JsonWriter.h"

namespace halyard::cli {

void ConsoleDialogs::MsgBox(const std::string& prompt, int /*style*/, const std::string& title) {
  ++total_;
  if (echo_ != nullptr) {
    *echo_ << "  message " << QuoteText(title) << ": " << QuoteText(prompt) << "\n";
  }
}

}  // namespace halyard::cli
