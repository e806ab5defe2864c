// halyardctl's JSON, written straight into a string. The lines must stay byte for byte what the
// JSON library (nlohmann::json, dump() with the replace handler) wrote before: no spaces, keys in
// the order written, the same escapes, and bytes that are not UTF-8 replaced by U+FFFD, so every
// line is valid JSON whatever a bus or an operator put into a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace halyard::cli {

// Appends `text` in double quotes: " \ and the control characters escaped (\b \f \n \r \t by
// name, the others as \u00XX), every other valid UTF-8 sequence as it is, and U+FFFD for each
// maximal run of bytes that cannot begin or continue a valid sequence.
void AppendQuoted(std::string& out, std::string_view text);

// `text` quoted as above: safe to print whatever bytes it holds.
std::string QuoteText(std::string_view text);

// Writes commas and colons itself: a value written after a key belongs to it; any other value
// is the next element of the innermost open array or object. The caller nests correctly.
class JsonWriter {
 public:
  explicit JsonWriter(std::string& out) : out_(out) {}

  JsonWriter& BeginObject();
  JsonWriter& EndObject();
  JsonWriter& BeginArray();
  JsonWriter& EndArray();
  JsonWriter& Key(std::string_view key);
  JsonWriter& String(std::string_view text);
  JsonWriter& Bool(bool value);
  JsonWriter& Null();
  JsonWriter& Number(int64_t value);
  JsonWriter& Unsigned(uint64_t value);
  // The shortest text that reads back as `value`, as the JSON library writes it; null when
  // it is not finite.
  JsonWriter& Real(double value);

 private:
  void BeforeValue();

  std::string& out_;
  bool first_ = true;      // nothing written yet in the innermost open array or object
  bool afterKey_ = false;  // the next value is a key's
};

}  // namespace halyard::cli
