// The automatic trim's settings, from the configuration file's [Trim] section:
//   TargetHz=32768  TolerancePpm=100  SettleSeconds=0.2  Counter=sim  CounterTimeoutSeconds=5
//   AutoStore=no
#pragma once

#include <chrono>
#include <string>

#include "app/Configuration.h"

namespace halyard {

struct TrimSettings {
  double targetHz = 32768.0;
  double tolerancePpm = 100.0;
  double settleSeconds = 0.2;  // after each register write, before the counter reads
  std::string counter;         // the counter's line (see counter/FrequencyCounter.h)
  std::chrono::milliseconds counterTimeout{5000};
  // The window's "Auto Trim" stores a passing search's code ("Update Trim") and reads it back.
  bool autoStore = false;
};

// False, with one line naming the key and the reason in `error`, for a value that is not a
// number in its range; keys left out keep their defaults.
bool ReadTrimSettings(const ProfileFile& profile, TrimSettings& settings, std::string& error);

}  // namespace halyard
