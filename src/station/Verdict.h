// The verdict of one operator action: passed unless something in it failed, with a short
// reason naming the first thing that did. Scripts, the status line and the records take it;
// the window's own captions and message boxes stay as they are.
#pragma once

#include <string>
#include <utility>

namespace halyard {

class ActionVerdict {
 public:
  void Begin() {
    failed_ = false;
    reason_.clear();
  }
  // The first failure names the action's reason; later ones follow from it.
  void Fail(std::string reason) {
    if (failed_) return;
    failed_ = true;
    reason_ = std::move(reason);
  }
  // Fails with "<what>: status N" when `status` is not 0; true when it is.
  bool Check(int status, const char* what) {
    if (status == 0) return true;
    Fail(std::string(what) + ": status " + std::to_string(status));
    return false;
  }
  bool Passed() const { return !failed_; }
  const std::string& Reason() const { return reason_; }

 private:
  bool failed_ = false;
  std::string reason_;
};

}  // namespace halyard
