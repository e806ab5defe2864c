// Hexadecimal text conversion and timed waits.
#include "adapter/Utils.h"

#include <algorithm>
#include <chrono>
#include <thread>

namespace halyard {

namespace {

// Value of the leading hexadecimal digits of [first, last), low 16 bits kept.
uint16_t ReadHexDigits(std::string::const_iterator first, std::string::const_iterator last) {
  uint16_t value = 0;
  for (auto it = first; it != last; ++it) {
    const int digit = HexDigitValue(*it);
    if (digit < 0) break;
    value = static_cast<uint16_t>((value << 4) | digit);
  }
  return value;
}

}  // namespace

int HexDigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

void SleepingEventPump::WaitUntil(Clock::time_point deadline) {
  std::this_thread::sleep_until(deadline);
}

std::string Utils::HexDigits(unsigned value, int digits) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string text;
  do {
    text.insert(text.begin(), kDigits[value & 0xF]);
    value >>= 4;
  } while (value != 0 || static_cast<int>(text.size()) < digits);
  return text;
}

bool Utils::HexTextToBytes(std::string& text, std::vector<uint8_t>& bytes, int16_t& count) {
  std::erase_if(text, [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; });
  if (text.size() % 2 != 0) return false;
  const size_t pairs = text.size() / 2;
  if (pairs > bytes.size() || pairs > static_cast<size_t>(INT16_MAX)) return false;
  for (size_t k = 0; k < pairs; ++k) {
    const auto pair = text.cbegin() + static_cast<std::ptrdiff_t>(2 * k);
    bytes[k] = static_cast<uint8_t>(ReadHexDigits(pair, pair + 2));
  }
  count = static_cast<int16_t>(pairs);
  return true;
}

int16_t Utils::HexToInt(const std::string& text) {
  return static_cast<int16_t>(ReadHexDigits(text.cbegin(), text.cend()));
}

void Utils::WaitSeconds(float seconds) {
  if (!(seconds > 0.0f)) return;
  // A day is far beyond any wait the station makes; the cap keeps the deadline in range.
  const double capped = std::min(static_cast<double>(seconds), 86400.0);
  const auto deadline = pump_.Now() + std::chrono::duration_cast<EventPump::Clock::duration>(
                                          std::chrono::duration<double>(capped));
  while (pump_.Now() < deadline) {
    pump_.WaitUntil(deadline);
  }
}

}  // namespace halyard
