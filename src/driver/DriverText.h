// How the driver host hands texts to a driver and takes them back: caller-owned buffers with a
// capacity, and a check of every text a driver leaves there before the station believes it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halyard {

// Well-formed UTF-8 (no overlong forms, no surrogates, nothing beyond U+10FFFF) without NUL.
bool IsCleanUtf8(std::string_view text);

// One text in and out of a driver call.
class TextBuffer {
 public:
  // Holds `text`, with room for at least `minimum` bytes.
  TextBuffer(std::string text, size_t minimum);

  char* Data() { return bytes_.data(); }
  int32_t Capacity() const { return static_cast<int32_t>(bytes_.size()); }
  int32_t* Length() { return &length_; }
  // 0 when the driver left a text the station can take: its length within the capacity, and
  // either the text as it was handed in (operators may type bytes that are not UTF-8) or clean
  // UTF-8. Otherwise the status that refuses it.
  int16_t Check() const;
  // What the driver left; call only after Check() answered 0.
  std::string Text() const { return std::string(bytes_.data(), static_cast<size_t>(length_)); }

 private:
  std::string original_;
  std::vector<char> bytes_;
  int32_t length_;
};

}  // namespace halyard
