// The window's message boxes for halyardctl: printed and counted instead of shown.
#pragma once

#include <ostream>
#include <string>

#include "adapter/Dialogs.h"

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

}  // namespace halyard::cli
