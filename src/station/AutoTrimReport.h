// What one automatic trim measured and decided, as the records and halyardctl's output keep
// it. The search that fills it lives above the window (src/autotrim); the records below it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace halyard {

// The highest code of the trim register; the trim byte holds this minus the code.
inline constexpr int kHighestTrimCode = 255;

// One measurement of the search: the trim register's value, the counter's reading and its
// error against the target.
struct TrimIteration {
  int code = 0;
  double hz = 0.0;
  double errorPpm = 0.0;
  bool operator==(const TrimIteration&) const = default;
};

struct AutoTrimReport {
  double targetHz = 0.0;
  double tolerancePpm = 0.0;
  std::string counter;          // the counter's line, e.g. "scpi:tcp:10.0.0.7:5025"
  std::string counterIdentity;  // its *IDN? answer
  std::vector<TrimIteration> iterations;
  std::optional<TrimIteration> chosen;  // the code of least error, once the search ended
  bool withinTolerance = false;
  bool cancelled = false;
  bool storeAsked = false;            // trim-auto=store: update and read back
  std::optional<int> storedTrimByte;  // byte 30 as read back after the update
  bool operator==(const AutoTrimReport&) const = default;
};

}  // namespace halyard
