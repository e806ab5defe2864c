// The verdict of one operator action: passed unless something in it failed, with the reason
// naming the first thing that did, the status of the call that failed and what that status
// means. Scripts, the status line and the records take it; the window's own captions and
// message boxes stay as they are.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>

#include "adapter/Statuses.h"

namespace halyard {

struct Reason {
  // What failed first, as scripts and records read it: "SMBus Test failed: status 7",
  // "opening the I2C run: status 10", a message box's text.
  std::string text;
  // The same for a reader who knows the action already (the status line names it first): empty
  // when the action itself failed ("programming: status 1" under "Programming"), else what
  // failed inside it, without the status ("opening the I2C run").
  std::string detail;
  std::optional<int16_t> status;  // the failed call's status, when a call failed
  std::string meaning;            // that status in words (adapter/Statuses.h); empty without one
  bool operator==(const Reason&) const = default;

  // A call inside the action failed: "<what>: status N".
  static Reason Call(std::string what, int16_t status,
                     StatusScope scope = StatusScope::kAnyOperation);
  // The action itself failed, as `text` says; `status` is the failed call's, if one failed.
  static Reason Own(std::string text, std::optional<int16_t> status = std::nullopt,
                    StatusScope scope = StatusScope::kAnyOperation);
  // A failure said in words (a message box's text), after the call whose status is `status`.
  static Reason Said(std::string text, std::optional<int16_t> status = std::nullopt,
                     StatusScope scope = StatusScope::kAnyOperation);
  // `inner`, the reason of a step of a larger action, under what that step was: "Update Trim".
  static Reason Within(const std::string& step, const Reason& inner);
};

inline Reason Reason::Call(std::string what, int16_t status, StatusScope scope) {
  Reason reason{what + ": status " + std::to_string(status), std::move(what), status,
                std::string(StatusMeaning(status, scope))};
  return reason;
}

inline Reason Reason::Own(std::string text, std::optional<int16_t> status, StatusScope scope) {
  Reason reason{std::move(text), "", status, ""};
  if (status) reason.meaning = StatusMeaning(*status, scope);
  return reason;
}

inline Reason Reason::Said(std::string text, std::optional<int16_t> status, StatusScope scope) {
  Reason reason = Own(std::move(text), status, scope);
  reason.detail = reason.text;
  return reason;
}

inline Reason Reason::Within(const std::string& step, const Reason& inner) {
  Reason reason = inner;
  reason.text = step + ": " + inner.text;
  reason.detail = inner.detail.empty() ? step : step + ": " + inner.detail;
  return reason;
}

class ActionVerdict {
 public:
  void Begin() {
    failed_ = false;
    reason_ = {};
  }
  // The first failure names the action's reason; later ones follow from it.
  void Fail(Reason reason) {
    if (failed_) return;
    failed_ = true;
    reason_ = std::move(reason);
  }
  void Fail(std::string text) { Fail(Reason::Said(std::move(text))); }
  // Fails with "<what>: status N" when `status` is not 0; true when it is.
  bool Check(int status, const char* what, StatusScope scope = StatusScope::kAnyOperation) {
    if (status == 0) return true;
    Fail(Reason::Call(what, static_cast<int16_t>(status), scope));
    return false;
  }
  bool Passed() const { return !failed_; }
  // The reason's text; empty when passed.
  const std::string& Reason() const { return reason_.text; }
  const halyard::Reason& Failure() const { return reason_; }

 private:
  bool failed_ = false;
  halyard::Reason reason_;
};

}  // namespace halyard
