// The hexadecimal helpers on any text, each against a plain reading of what it promises:
// Utils::HexTextToBytes (blanks removed in place, pairs into an array never written past its
// end), Utils::HexToInt (leading digits, low 16 bits), and the bench's ParseHexBytes and
// ParseHexNumber. The first input byte sizes the array; the rest is the text.
#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "adapter/Utils.h"
#include "sim/HexBytes.h"

namespace {

using halyard::HexDigitValue;
using halyard::Utils;

constexpr uint8_t kUntouched = 0xA5;

// The value of the leading digits of `text`, stopping at the first other character.
uint64_t LeadingValue(std::string_view text, uint64_t modulus) {
  uint64_t value = 0;
  for (char c : text) {
    if (HexDigitValue(c) < 0) break;
    value = (value * 16 + static_cast<uint64_t>(HexDigitValue(c))) % modulus;
  }
  return value;
}

void CheckHexTextToBytes(std::string_view given, size_t arraySize) {
  std::string cleaned(given);
  std::erase_if(cleaned, [](char c) { return c == ' ' || c == '\r' || c == '\n' || c == '\t'; });
  const size_t pairs = cleaned.size() / 2;
  const bool fits = cleaned.size() % 2 == 0 && pairs <= arraySize && pairs <= INT16_MAX;

  std::string text(given);
  std::vector<uint8_t> bytes(arraySize, kUntouched);
  int16_t count = -1;
  FUZZ_CHECK(Utils::HexTextToBytes(text, bytes, count) == fits);
  FUZZ_CHECK(text == cleaned && bytes.size() == arraySize);
  FUZZ_CHECK(count == (fits ? static_cast<int16_t>(pairs) : -1));
  for (size_t k = 0; k < arraySize; ++k) {
    const bool written = fits && k < pairs;
    const uint8_t expected =
        written ? static_cast<uint8_t>(LeadingValue(cleaned.substr(2 * k, 2), 256)) : kUntouched;
    FUZZ_CHECK(bytes[k] == expected);
  }
}

void CheckParseHexBytes(std::string_view text) {
  std::string reason;
  const std::optional<std::vector<uint8_t>> bytes = halyard::ParseHexBytes(text, reason);
  std::string digits(text);
  std::erase_if(digits, [](char c) { return c == ' ' || c == '\t'; });
  const bool allDigits =
      std::all_of(digits.begin(), digits.end(), [](char c) { return HexDigitValue(c) >= 0; });
  if (!bytes) {
    FUZZ_CHECK(!reason.empty());
    // Pairs split by a blank are refused too, so a refusal of bare pairs is the only wrong one.
    FUZZ_CHECK(!(allDigits && digits.size() % 2 == 0 && digits.size() == text.size()));
    return;
  }
  FUZZ_CHECK(allDigits && bytes->size() * 2 == digits.size());
  for (size_t k = 0; k < bytes->size(); ++k)
    FUZZ_CHECK((*bytes)[k] == LeadingValue(std::string_view(digits).substr(2 * k, 2), 256));
  const std::string formatted = halyard::FormatHexBytes(bytes->data(), bytes->size());
  FUZZ_CHECK(halyard::ParseHexBytes(formatted, reason) == bytes);
}

void CheckParseHexNumber(std::string_view text) {
  const std::optional<uint32_t> number = halyard::ParseHexNumber(text);
  const bool prefixed = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const std::string_view digits = prefixed ? text.substr(2) : std::string_view();
  const bool allDigits = prefixed && std::all_of(digits.begin(), digits.end(),
                                                 [](char c) { return HexDigitValue(c) >= 0; });
  // Leading zeros aside, more than eight digits do not fit in 32 bits.
  const std::string_view significant =
      digits.substr(std::min(digits.find_first_not_of('0'), digits.size()));
  const bool fits = allDigits && significant.size() <= 8;
  FUZZ_CHECK(number.has_value() == fits);
  if (number) FUZZ_CHECK(*number == LeadingValue(significant, uint64_t{1} << 32));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const std::string_view text = halyard::fuzz::AsText(data + 1, size - 1);
  CheckHexTextToBytes(text, data[0]);
  FUZZ_CHECK(Utils::HexToInt(std::string(text)) ==
             static_cast<int16_t>(static_cast<uint16_t>(LeadingValue(text, 0x10000))));
  CheckParseHexBytes(text);
  CheckParseHexNumber(text);
  return 0;
}
