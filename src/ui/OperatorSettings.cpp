// Reading [Station]'s operator settings defensively: a wrong gap would take typing for scans.
#include "ui/OperatorSettings.h"

#include <charconv>

namespace halyard::ui {

namespace {

constexpr const char* kSection = "Station";
// Scanners send a key every few milliseconds, people rarely one faster than every 100.
constexpr int kLongestGapMs = 200;

}  // namespace

bool ReadOperatorSettings(const ProfileFile& profile, OperatorSettings& settings,
                          std::string& error) {
  OperatorSettings read;
  if (!profile.GetSwitch(kSection, "RequireUnit", read.requireUnit, error)) return false;
  if (const std::string gap = profile.Get(kSection, "ScanGapMs"); !gap.empty()) {
    int ms = -1;
    const auto parsed = std::from_chars(gap.data(), gap.data() + gap.size(), ms);
    if (parsed.ec != std::errc() || parsed.ptr != gap.data() + gap.size() || ms < 0 ||
        ms > kLongestGapMs) {
      error = "[Station] ScanGapMs=" + gap +
              ": expected milliseconds from 0 (no scan detection) to " +
              std::to_string(kLongestGapMs);
      return false;
    }
    read.scan.gap = std::chrono::milliseconds(ms);
  }
  read.scan.prefix = profile.Get(kSection, "ScanPrefix");
  read.scan.suffix = profile.Get(kSection, "ScanSuffix");
  settings = std::move(read);
  return true;
}

}  // namespace halyard::ui
