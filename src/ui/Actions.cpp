// The status line's account of an action's verdict.
#include "ui/Actions.h"

#include <algorithm>
#include <string_view>

#include "adapter/Statuses.h"

namespace halyard::ui {

namespace {

// A hint where a status has a remedy the operator can take at the station.
struct Hint {
  std::string_view action;
  int16_t status;
  const char* text;
};
constexpr Hint kHints[] = {
    {"trim-read", kStatusNoDevice, "the trim firmware is not running — press Start"},
    {"trim-update", kStatusNoDevice, "the trim firmware is not running — press Start"},
    {"fine", kStatusNoDevice, "the trim firmware is not running — press Start"},
    {"gross", kStatusNoDevice, "the trim firmware is not running — press Start"},
};

}  // namespace

std::string VerdictText(const ActionRow& action, const ActionResult& result) {
  const std::string title(action.title);
  if (result.passed) return title + " passed";
  const Reason& reason = result.reason;
  if (reason.status) {
    const auto hint = std::ranges::find_if(kHints, [&](const Hint& h) {
      return h.action == action.name && h.status == *reason.status;
    });
    if (hint != std::end(kHints)) return title + ": " + hint->text;
  }
  std::string text = title + " failed";
  if (!reason.detail.empty()) text += ": " + reason.detail;
  if (!reason.status) return text;
  const std::string said = "status " + std::to_string(*reason.status);
  text += ": " + (reason.meaning.empty() ? said : reason.meaning + " (" + said + ")");
  return text;
}

}  // namespace halyard::ui
