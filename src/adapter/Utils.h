// Hexadecimal text conversion and the timed wait that keeps the window responsive.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "adapter/EventPump.h"

namespace halyard {

// Value of one hexadecimal digit (either case), or -1.
int HexDigitValue(char c);

class Utils {
 public:
  explicit Utils(EventPump& pump) : pump_(pump) {}

  // `value` as upper-case hexadecimal digits, at least `digits` of them: "B1E0", "0F".
  static std::string HexDigits(unsigned value, int digits = 1);

  // Removes spaces, CR, LF and tabs from `text` in place, then converts digit pairs into
  // bytes[0..]. False (bytes and count untouched) for an odd number of digits, and also when
  // the pairs would not fit in `bytes`: the array is never written past its end.
  static bool HexTextToBytes(std::string& text, std::vector<uint8_t>& bytes, int16_t& count);

  // Reads leading hexadecimal digits (either case) up to the first non-digit; no digit reads
  // as 0. The result is the low 16 bits as a signed pattern: "B1E0" gives -20000.
  static int16_t HexToInt(const std::string& text);

  // Waits `seconds` on the monotonic clock while the window handles its events. A duration
  // of 0 or less (or not a number) returns at once without handling any event.
  void WaitSeconds(float seconds);

 private:
  EventPump& pump_;
};

}  // namespace halyard
