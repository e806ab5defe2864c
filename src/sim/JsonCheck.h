// Reads values out of a parsed bench or state file, checking type and range, and keeps the
// first fault as "<JSON pointer> at line L, column C" and a reason.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Json.h"

namespace halyard {

class JsonCheck {
 public:
  bool Failed() const { return !reason_.empty(); }
  const std::string& Place() const { return place_; }
  const std::string& Reason() const { return reason_; }

  // A fault at a value names its place and its position in the file.
  void Fail(const JsonValue& at, const std::string& place, const std::string& reason);
  // A fault that no value carries, such as a missing key.
  void FailAt(const std::string& place, const std::string& reason);

  static std::string Join(const std::string& place, std::string_view key) {
    return place + "/" + JsonPointerToken(key);
  }

  bool IsObject(const JsonValue& value, const std::string& place);
  bool IsArray(const JsonValue& value, const std::string& place);
  // An object whose keys are all in `allowed`.
  bool OnlyKeys(const JsonValue& object, const std::string& place,
                std::initializer_list<std::string_view> allowed);

  // An integer, written as a JSON number or as a hexadecimal text "0x20".
  std::optional<int64_t> Integer(const JsonValue& value, const std::string& place, int64_t low,
                                 int64_t high);
  // A JSON number, fractions and exponents allowed, within low..high.
  std::optional<double> Real(const JsonValue& value, const std::string& place, double low,
                             double high);
  std::optional<std::string> Text(const JsonValue& value, const std::string& place);
  std::optional<bool> Boolean(const JsonValue& value, const std::string& place);
  // Hexadecimal bytes ("48 61 6C"): exactly `exactSize` of them unless 0, at most `maxSize`.
  std::optional<std::vector<uint8_t>> Bytes(const JsonValue& value, const std::string& place,
                                            size_t exactSize, size_t maxSize);
  // A key of an address map ("0x51" or "81"), within 0..high; `at` is the key's value.
  std::optional<int64_t> AddressKey(const std::string& key, const JsonValue& at,
                                    const std::string& place, int64_t high);

 private:
  std::string place_;
  std::string reason_;
};

}  // namespace halyard
