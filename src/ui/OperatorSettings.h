// The window's settings for the operator's hand, from the configuration's [Station] section:
//   RequireUnit=no  ScanGapMs=50  ScanPrefix=  ScanSuffix=
#pragma once

#include <chrono>
#include <string>

#include "app/Configuration.h"

namespace halyard::ui {

// How the window tells a barcode scanner from a hand: a scanner types a serial far faster than
// a person and ends it with Enter, some with a prefix or a suffix of their own around it.
struct ScanSettings {
  // The longest pause between two keys of one scan: scanners send theirs a few milliseconds
  // apart, and a keyboard emulator under X (xdotool) up to about 40; 0 turns detection off.
  std::chrono::milliseconds gap{50};
  std::string prefix;  // sent before the serial; a burst without it is no scan
  std::string suffix;  // sent after the serial, before Enter; dropped when there
};

struct OperatorSettings {
  // A recorded action needs a scanned unit, and "Run All" a unit that has not passed it yet.
  bool requireUnit = false;
  ScanSettings scan;
};

// False, with one line naming the key and the reason in `error`, for a value that cannot be
// meant; keys left out keep their defaults.
bool ReadOperatorSettings(const ProfileFile& profile, OperatorSettings& settings,
                          std::string& error);

}  // namespace halyard::ui
