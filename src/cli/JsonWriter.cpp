// The JSON writer and the escaping of texts.
#include "cli/JsonWriter.h"

#include <charconv>
#include <cmath>

namespace halyard::cli {

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";  // U+FFFD

// The bytes of the valid UTF-8 sequence starting at text[at], or 0 when no valid sequence
// starts there. `valid` receives how many bytes from `at` belong to a valid beginning: the run
// one U+FFFD stands for (at least 1).
size_t SequenceLength(std::string_view text, size_t at, size_t& valid) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(at);
  size_t length = 0;
  unsigned char low = 0x80;  // the range of the second byte, narrower after some leads
  unsigned char high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;   // no overlong forms
    if (lead == 0xED) high = 0x9F;  // no surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;   // no overlong forms
    if (lead == 0xF4) high = 0x8F;  // nothing above U+10FFFF
  }
  valid = 1;
  if (length == 0) return 0;
  for (size_t i = 1; i < length; ++i) {
    if (at + i >= text.size()) return 0;
    const unsigned char next = byte(at + i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return 0;
    valid = i + 1;
  }
  return length;
}

void AppendEscaped(std::string& out, unsigned char c) {
  static constexpr char kHex[] = "0123456789abcdef";
  switch (c) {
    case '"':
      out += "\\\"";
      return;
    case '\\':
      out += "\\\\";
      return;
    case '\b':
      out += "\\b";
      return;
    case '\f':
      out += "\\f";
      return;
    case '\n':
      out += "\\n";
      return;
    case '\r':
      out += "\\r";
      return;
    case '\t':
      out += "\\t";
      return;
    default:
      out += "\\u00";
      out += kHex[c >> 4];
      out += kHex[c & 0xF];
  }
}

}  // namespace

void AppendQuoted(std::string& out, std::string_view text) {
  out += '"';
  size_t plain = 0;  // start of the bytes not yet copied that need no escape
  for (size_t at = 0; at < text.size();) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c >= 0x20 && c < 0x80 && c != '"' && c != '\\') {
      ++at;
      continue;
    }
    out.append(text.substr(plain, at - plain));
    if (c < 0x80) {
      AppendEscaped(out, c);
      ++at;
    } else {
      size_t valid = 1;
      const size_t length = SequenceLength(text, at, valid);
      if (length != 0) {
        out.append(text.substr(at, length));
        at += length;
      } else {
        out += kReplacement;
        at += valid;
      }
    }
    plain = at;
  }
  out.append(text.substr(plain));
  out += '"';
}

std::string QuoteText(std::string_view text) {
  std::string quoted;
  AppendQuoted(quoted, text);
  return quoted;
}

void JsonWriter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
  } else if (!first_) {
    out_ += ',';
  }
  first_ = false;
}

JsonWriter& JsonWriter::BeginObject() {
  BeforeValue();
  out_ += '{';
  first_ = true;
  return *this;
}

JsonWriter& JsonWriter::EndObject() {
  out_ += '}';
  first_ = false;
  return *this;
}

JsonWriter& JsonWriter::BeginArray() {
  BeforeValue();
  out_ += '[';
  first_ = true;
  return *this;
}

JsonWriter& JsonWriter::EndArray() {
  out_ += ']';
  first_ = false;
  return *this;
}

JsonWriter& JsonWriter::Key(std::string_view key) {
  BeforeValue();
  AppendQuoted(out_, key);
  out_ += ':';
  afterKey_ = true;
  return *this;
}

JsonWriter& JsonWriter::String(std::string_view text) {
  BeforeValue();
  AppendQuoted(out_, text);
  return *this;
}

JsonWriter& JsonWriter::Bool(bool value) {
  BeforeValue();
  out_ += value ? "true" : "false";
  return *this;
}

JsonWriter& JsonWriter::Null() {
  BeforeValue();
  out_ += "null";
  return *this;
}

JsonWriter& JsonWriter::Number(int64_t value) {
  BeforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  return *this;
}

JsonWriter& JsonWriter::Unsigned(uint64_t value) {
  BeforeValue();
  char digits[24];
  out_.append(digits, std::to_chars(digits, digits + sizeof digits, value).ptr);
  return *this;
}

JsonWriter& JsonWriter::Real(double value) {
  if (!std::isfinite(value)) return Null();  // JSON has no infinity or NaN
  BeforeValue();
  char digits[32];
  char* end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  out_.append(digits, end);
  // The shortest form of 32768.0 is "32768"; the JSON library writes "32768.0".
  if (std::string_view(digits, end).find_first_of(".e") == std::string_view::npos) out_ += ".0";
  return *this;
}

}  // namespace halyard::cli
