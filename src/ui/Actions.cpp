// The window's actions and how the status line tells their verdicts.
#include "ui/Actions.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <string_view>

#include "adapter/Statuses.h"

namespace halyard::ui {

namespace {

using records::RecordedAction;
using enum records::RecordedAction;

// clang-format off
constexpr WindowAction kActions[] = {
    {"Program",     -1, kTabProgramming, kProgram,     "Programming",  "Ctrl+P"},
    {"Command2",     0, kTabTest,        kVersionTest, "Version Test", "Ctrl+1"},
    {"Command2",     1, kTabTest,        kSmbusTest,   "SMBus Test",   "Ctrl+2"},
    {"Command2",     2, kTabTest,        kI2cTest,     "I2C Test",     "Ctrl+3"},
    {"Command2",     3, kTabTest,        kSwbTest,     "SWB Test",     "Ctrl+4"},
    {"Command2",     4, kTabTest,        kRunAll,      "Run All",      "F5"},
    {"Command1",    -1, kTabSetUp,       kConfigure,   "Configure",    "Ctrl+G"},
    {"StartTrim",   -1, kTabTrim,        kTrimStart,   "Start Trim",   "Ctrl+T"},
    {"FineAdjust",  -1, kTabTrim,        kFine,        "Fine adjust",  ""},
    {"GrossAdjust", -1, kTabTrim,        kGross,       "Gross adjust", ""},
    {"RsvFlashRd",  -1, kTabTrim,        kTrimRead,    "Read Trim",    "Ctrl+R"},
    {"Update",      -1, kTabTrim,        kTrimUpdate,  "Update Trim",  "Ctrl+U"},
};
// clang-format on
constexpr WindowAction kAutoTrimAction{"AutoTrim", -1, kTabTrim, kTrimAuto, "Auto Trim", ""};

// A hint where a status has a remedy the operator can take at the station.
struct Hint {
  RecordedAction action;
  int16_t status;
  const char* text;
};
constexpr Hint kHints[] = {
    {kTrimRead, kStatusNoDevice, "the trim firmware is not running — press Start"},
    {kTrimUpdate, kStatusNoDevice, "the trim firmware is not running — press Start"},
    {kFine, kStatusNoDevice, "the trim firmware is not running — press Start"},
    {kGross, kStatusNoDevice, "the trim firmware is not running — press Start"},
};

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
  return text.size() >= prefix.size() &&
         std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
           return std::tolower(static_cast<unsigned char>(a)) ==
                  std::tolower(static_cast<unsigned char>(b));
         });
}

// The status a reason ends with ("...: status 7"), if it ends with one.
std::optional<int16_t> TrailingStatus(std::string_view reason) {
  constexpr std::string_view kStatus = "status ";
  const size_t at = reason.rfind(kStatus);
  if (at == std::string_view::npos) return std::nullopt;
  const std::string_view digits = reason.substr(at + kStatus.size());
  int16_t status = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), status);
  if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
  return status;
}

// The reason without the action's own name in front ("programming: status 1" under
// "Programming"; "SMBus Test failed: status 7" under "SMBus Test"): it is said once.
std::string_view WithoutTitle(std::string_view reason, std::string_view title) {
  if (!StartsWithNoCase(reason, title)) return reason;
  reason.remove_prefix(title.size());
  for (const std::string_view lead : {" failed", ":", " "}) {
    if (reason.starts_with(lead)) reason.remove_prefix(lead.size());
  }
  return reason;
}

// The status of the first call in the trace that failed: "... -> 11 ..." (each line puts the
// call's status after the arrow).
std::optional<int16_t> FirstFailedStatus(const std::vector<std::string>& trace) {
  for (const std::string& line : trace) {
    const size_t arrow = line.rfind(" -> ");
    if (arrow == std::string::npos) continue;
    const char* first = line.data() + arrow + 4;
    int16_t status = 0;
    const auto [end, error] = std::from_chars(first, line.data() + line.size(), status);
    if (error == std::errc{} && end != first && status != 0) return status;
  }
  return std::nullopt;
}

StatusScope ScopeOf(RecordedAction action) {
  return action == kProgram || action == kTrimStart ? StatusScope::kProgramming
                                                    : StatusScope::kAnyOperation;
}

}  // namespace

std::span<const WindowAction> WindowActions() {
  return kActions;
}

const WindowAction& AutoTrimAction() {
  return kAutoTrimAction;
}

const WindowAction* ActionOf(const ControlEntry& entry) {
  for (const WindowAction& action : kActions) {
    if (entry.name == std::string_view(action.control) && entry.index == action.index)
      return &action;
  }
  return nullptr;
}

std::string VerdictText(const WindowAction& action, const ActionVerdict& verdict,
                        const std::vector<std::string>& trace) {
  const std::string title = action.title;
  if (verdict.Passed()) return title + " passed";
  std::string reason(WithoutTitle(verdict.Reason(), title));
  const std::optional<int16_t> named = TrailingStatus(reason);
  const std::optional<int16_t> status = named ? named : FirstFailedStatus(trace);
  if (!status) return title + " failed" + (reason.empty() ? "" : ": " + reason);
  const auto hint = std::ranges::find_if(
      kHints, [&](const Hint& h) { return h.action == action.action && h.status == *status; });
  if (hint != std::end(kHints)) return title + ": " + hint->text;
  const std::string_view meaning = StatusMeaning(*status, ScopeOf(action.action));
  const std::string said = "status " + std::to_string(*status);
  const std::string explained = meaning.empty() ? said : std::string(meaning) + " (" + said + ")";
  if (named) {
    reason.erase(reason.rfind(said));  // what came before it stays: "opening the I2C run: "
  } else if (!reason.empty()) {
    reason += ": ";
  }
  reason += explained;
  return title + " failed: " + reason;
}

}  // namespace halyard::ui
