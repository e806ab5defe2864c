// Checks of the texts a driver hands back.
#include "driver/DriverText.h"

#include <algorithm>
#include <cstring>

#include "adapter/Statuses.h"

namespace halyard {

namespace {

// The length of the UTF-8 sequence at `at`, or 0 when it is not a well-formed one.
size_t SequenceLength(std::string_view text, size_t at) {
  const auto byte = [&text](size_t i) { return static_cast<uint8_t>(text[i]); };
  const uint8_t lead = byte(at);
  if (lead == 0x00) return 0;
  if (lead < 0x80) return 1;
  size_t length = 0;
  uint8_t low = 0x80;  // the second byte's range rules out overlong forms and surrogates
  uint8_t high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (at + length > text.size()) return 0;
  if (byte(at + 1) < low || byte(at + 1) > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (byte(at + i) < 0x80 || byte(at + i) > 0xBF) return 0;
  }
  return length;
}

}  // namespace

bool IsCleanUtf8(std::string_view text) {
  for (size_t at = 0; at < text.size();) {
    const size_t length = SequenceLength(text, at);
    if (length == 0) return false;
    at += length;
  }
  return true;
}

TextBuffer::TextBuffer(std::string text, size_t minimum)
    : original_(std::move(text)),
      bytes_(std::max(original_.size(), minimum), '\0'),
      length_(static_cast<int32_t>(original_.size())) {
  std::copy(original_.begin(), original_.end(), bytes_.begin());
}

int16_t TextBuffer::Check() const {
  if (length_ < 0 || length_ > Capacity()) return kStatusDriverBadLength;
  const std::string_view left(bytes_.data(), static_cast<size_t>(length_));
  if (left == original_) return 0;
  return IsCleanUtf8(left) ? int16_t{0} : kStatusDriverBadText;
}

}  // namespace halyard
