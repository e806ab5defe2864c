// Reading the [Trim] section defensively: a typo must not trim every unit to a wrong target.
#include "autotrim/TrimSettings.h"

#include <charconv>
#include <cmath>

namespace halyard {

namespace {

constexpr const char* kSection = "Trim";

bool ReadNumber(const ProfileFile& profile, const char* key, double low, double high, double& value,
                std::string& error) {
  const std::string text = profile.Get(kSection, key);
  if (text.empty()) return true;
  double number = 0.0;
  const auto parsed = std::from_chars(text.data(), text.data() + text.size(), number);
  if (parsed.ec != std::errc() || parsed.ptr != text.data() + text.size() ||
      !(number >= low && number <= high)) {
    error = std::string("[Trim] ") + key + "=" + text + ": expected a number from " +
            std::to_string(low) + " to " + std::to_string(high);
    return false;
  }
  value = number;
  return true;
}

}  // namespace

bool ReadTrimSettings(const ProfileFile& profile, TrimSettings& settings, std::string& error) {
  TrimSettings read;
  double timeoutSeconds = std::chrono::duration<double>(read.counterTimeout).count();
  if (!ReadNumber(profile, "TargetHz", 1.0, 1e10, read.targetHz, error) ||
      !ReadNumber(profile, "TolerancePpm", 0.0, 1e6, read.tolerancePpm, error) ||
      !ReadNumber(profile, "SettleSeconds", 0.0, 60.0, read.settleSeconds, error) ||
      !ReadNumber(profile, "CounterTimeoutSeconds", 0.01, 600.0, timeoutSeconds, error) ||
      !profile.GetSwitch(kSection, "AutoStore", read.autoStore, error)) {
    return false;
  }
  read.counterTimeout = std::chrono::milliseconds(std::lround(timeoutSeconds * 1000.0));
  read.counter = profile.Get(kSection, "Counter");
  settings = std::move(read);
  return true;
}

}  // namespace halyard
