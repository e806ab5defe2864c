// The pace of a scanner's burst.
#include "ui/ScanDetector.h"

namespace halyard::ui {

namespace {
// Two keys and Enter inside the gap: no hand types that, and the shortest serial of a test
// station ("U1") is two characters.
constexpr int kFewestScanKeys = 2;
}  // namespace

bool ScanDetector::Bursting(Time at) const {
  return Enabled() && last_ && at >= *last_ && at - *last_ <= settings_.gap;
}

bool ScanDetector::Key(std::string_view text, Time at) {
  const bool starts = !Bursting(at);
  if (starts) {
    typed_.clear();
    keys_ = 0;
  }
  typed_ += text;
  ++keys_;
  last_ = at;
  return starts;
}

void ScanDetector::Break() {
  typed_.clear();
  keys_ = 0;
  last_.reset();
}

std::optional<std::string> ScanDetector::Enter(Time at) {
  const bool scan = Bursting(at) && keys_ >= kFewestScanKeys;
  std::string serial = std::move(typed_);
  Break();
  if (!scan) return std::nullopt;
  const std::string& prefix = settings_.prefix;
  const std::string& suffix = settings_.suffix;
  if (!prefix.empty()) {
    if (!serial.starts_with(prefix)) return std::nullopt;
    serial.erase(0, prefix.size());
  }
  if (!suffix.empty() && serial.ends_with(suffix)) serial.resize(serial.size() - suffix.size());
  if (serial.empty()) return std::nullopt;
  return serial;
}

}  // namespace halyard::ui
