// Hexadecimal text helpers shared by the bench file, the state file and the S-record reader.
#include "sim/HexBytes.h"

namespace halyard {

std::optional<uint32_t> ParseHexNumber(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return std::nullopt;
  uint64_t value = 0;
  for (size_t i = 2; i < text.size(); ++i) {
    const int digit = HexDigitValue(text[i]);
    if (digit < 0) return std::nullopt;
    value = value * 16 + static_cast<uint64_t>(digit);
    if (value > 0xFFFFFFFFu) return std::nullopt;
  }
  return static_cast<uint32_t>(value);
}

std::optional<std::vector<uint8_t>> ParseHexBytes(std::string_view text, std::string& reason) {
  std::vector<uint8_t> bytes;
  size_t i = 0;
  while (i < text.size()) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      ++i;
      continue;
    }
    const int high = HexDigitValue(c);
    if (high < 0) {
      reason = "'" + std::string(1, c) + "' at character " + std::to_string(i + 1) +
               " is not a hexadecimal digit";
      return std::nullopt;
    }
    if (i + 1 >= text.size()) {
      reason = "odd number of hexadecimal digits";
      return std::nullopt;
    }
    const int low = HexDigitValue(text[i + 1]);
    if (low < 0) {
      reason = (text[i + 1] == ' ' || text[i + 1] == '\t')
                   ? "a byte at character " + std::to_string(i + 1) + " has only one digit"
                   : "'" + std::string(1, text[i + 1]) + "' at character " + std::to_string(i + 2) +
                         " is not a hexadecimal digit";
      return std::nullopt;
    }
    bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    i += 2;
  }
  return bytes;
}

std::string FormatHexBytes(const uint8_t* data, size_t size) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(size * 2);
  for (size_t i = 0; i < size; ++i) {
    out += kDigits[data[i] >> 4];
    out += kDigits[data[i] & 0x0F];
  }
  return out;
}

}  // namespace halyard
