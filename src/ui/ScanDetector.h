// Tells a barcode scanner's burst from a person's typing by the pace of the keys alone: a scan
// is keys each within the gap of the one before (a few milliseconds apart; a person needs a
// hundred or more), ended by Enter within the gap, with the scanner's prefix first when one is
// configured. Knows nothing of widgets, so every case can be tried with made-up times.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "ui/OperatorSettings.h"

namespace halyard::ui {

class ScanDetector {
 public:
  using Time = std::chrono::milliseconds;

  explicit ScanDetector(ScanSettings settings) : settings_(std::move(settings)) {}

  bool Enabled() const { return settings_.gap.count() > 0; }
  // A key that types `text` at `at`. True when it starts a new burst: what it types into is as
  // it was before the burst, for the caller to keep.
  bool Key(std::string_view text, Time at);
  // True when a key at `at` continues a burst of at least one key.
  bool Bursting(Time at) const;
  // Enter at `at`: the serial when it ends a scan (the prefix and suffix taken off), else none.
  // The burst ends either way.
  std::optional<std::string> Enter(Time at);
  // A key no scanner sends (a movement, a shortcut): the burst ends.
  void Break();

 private:
  ScanSettings settings_;
  std::string typed_;
  int keys_ = 0;
  std::optional<Time> last_;
};

}  // namespace halyard::ui
