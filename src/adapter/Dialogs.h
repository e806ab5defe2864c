// The modal message box, as a service: the window shows a QMessageBox, halyardctl prints
// and records it, tests record it.
#pragma once

#include <string>

namespace halyard {

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // style 0: one OK button, no icon. Returns when the operator has closed the box.
  virtual void MsgBox(const std::string& prompt, int style, const std::string& title) = 0;
};

}  // namespace halyard
