// The status line's account of an action's verdict.
#include "ui/Actions.h"

#include <algorithm>
#include <cstdio>
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

// The automatic trim leaves the bars on its choice; the trim is in the flash only once stored.
std::string AutoTrimEnd(const AutoTrimReport& report) {
  std::string text = ": " + TrimPointText(*report.chosen);
  if (!report.storeAsked) return text + " — press Update Trim to store it";
  char stored[48];
  std::snprintf(stored, sizeof stored, ", stored (byte 30 reads %02X)",
                static_cast<unsigned>(report.storedTrimByte.value_or(0)));
  return text + stored;
}

}  // namespace

std::string TrimPointText(const TrimIteration& iteration) {
  char text[96];
  std::snprintf(text, sizeof text, "code %d (trim %02X), %.1f Hz, %+.0f ppm", iteration.code,
                static_cast<unsigned>(kHighestTrimCode - iteration.code), iteration.hz,
                iteration.errorPpm);
  return text;
}

std::string VerdictText(const ActionRow& action, const ActionResult& result) {
  const std::string title(action.title);
  const auto& autoTrim = result.measurements.autoTrim;
  if (result.passed && autoTrim && autoTrim->chosen)
    return title + " passed" + AutoTrimEnd(*autoTrim);
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
