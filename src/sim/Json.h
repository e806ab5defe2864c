// A strict JSON reader for the bench's own files (bench file, state file, rules): one pass,
// linear in the text, every value with its line and column, a key given twice in one object
// refused, nesting bounded. Nothing here throws.
//
// The station reads and writes every other JSON with nlohmann-json. This reader stays for these
// files only, for what nlohmann-json cannot do: refuse a key given twice (it keeps one of them
// silently) and name the line and column of the value a message is about (it gives only a byte
// offset of a syntax error). A person edits these files and must be told where they are wrong.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace halyard {

struct JsonValue {
  enum class Type : uint8_t { kNull, kBool, kNumber, kString, kArray, kObject };

  Type type = Type::kNull;
  bool boolean = false;
  uint32_t line = 0;              // where the value starts, from 1
  uint32_t column = 0;            // in bytes, from 1
  std::string text;               // a string's value; a number as written
  std::vector<JsonValue> items;   // an array's elements; an object's values
  std::vector<std::string> keys;  // an object's keys, beside its values, in file order

  bool Is(Type t) const { return type == t; }
  // The value of an object's key, or null.
  const JsonValue* Find(std::string_view key) const;
  // "an object", "a text", ...: for "expected ..., found ..." messages.
  const char* TypeName() const;
  // "line 3, column 20"
  std::string Position() const;
};

// Parses a whole document. On failure returns false with `place` ("line 3, column 20", or the
// JSON pointer of a key given twice) and `reason`.
bool ParseJson(std::string_view text, JsonValue& out, std::string& place, std::string& reason);
// The same for a named text: on failure `error` is "<sourceName>: <place>: <reason>".
bool ParseJsonNamed(std::string_view text, const std::string& sourceName, JsonValue& out,
                    std::string& error);

// A key as one token of a JSON pointer ("~" and "/" escaped), with control characters shown.
std::string JsonPointerToken(std::string_view key);

// Text from a file as a message may echo it: control characters as \xHH, cut to 60 bytes, so a
// message stays one readable line.
std::string EchoText(std::string_view text);

}  // namespace halyard
