// Type and range checks of the bench's JSON files, with messages that name the place.
#include "sim/JsonCheck.h"

#include <charconv>

#include "sim/HexBytes.h"

namespace halyard {
namespace {

std::string Range(int64_t low, int64_t high) {
  return std::to_string(low) + ".." + std::to_string(high);
}

bool AllHexDigitsAfter0x(std::string_view text) {
  if (text.size() < 3 || text[0] != '0' || (text[1] != 'x' && text[1] != 'X')) return false;
  for (size_t i = 2; i < text.size(); ++i) {
    if (HexDigitValue(text[i]) < 0) return false;
  }
  return true;
}

}  // namespace

void JsonCheck::Fail(const JsonValue& at, const std::string& place, const std::string& reason) {
  FailAt((place.empty() ? "/" : place) + " at " + at.Position(), reason);
}

void JsonCheck::FailAt(const std::string& place, const std::string& reason) {
  if (Failed()) return;
  place_ = place.empty() ? "/" : place;
  reason_ = reason;
}

std::optional<double> JsonCheck::Real(const JsonValue& value, const std::string& place, double low,
                                      double high) {
  if (!value.Is(JsonValue::Type::kNumber)) {
    Fail(value, place, std::string("expected a number, found ") + value.TypeName());
    return std::nullopt;
  }
  double number = 0.0;
  const std::string& text = value.text;
  const std::from_chars_result end =
      std::from_chars(text.data(), text.data() + text.size(), number);
  // Also refuses what does not fit a double, and NaN, which no range holds.
  if (end.ec != std::errc() || !(number >= low && number <= high)) {
    Fail(value, place,
         "value " + EchoText(text) + " out of range " + std::to_string(low) + ".." +
             std::to_string(high));
    return std::nullopt;
  }
  return number;
}

bool JsonCheck::IsObject(const JsonValue& value, const std::string& place) {
  if (value.Is(JsonValue::Type::kObject)) return true;
  Fail(value, place, std::string("expected an object, found ") + value.TypeName());
  return false;
}

bool JsonCheck::IsArray(const JsonValue& value, const std::string& place) {
  if (value.Is(JsonValue::Type::kArray)) return true;
  Fail(value, place, std::string("expected an array, found ") + value.TypeName());
  return false;
}

bool JsonCheck::OnlyKeys(const JsonValue& object, const std::string& place,
                         std::initializer_list<std::string_view> allowed) {
  if (!IsObject(object, place)) return false;
  for (size_t i = 0; i < object.keys.size(); ++i) {
    bool known = false;
    for (std::string_view name : allowed)
      known = known || object.keys[i] == name;
    if (!known) {
      Fail(object.items[i], Join(place, object.keys[i]),
           "unknown key '" + EchoText(object.keys[i]) + "'");
      return false;
    }
  }
  return true;
}

std::optional<int64_t> JsonCheck::Integer(const JsonValue& value, const std::string& place,
                                          int64_t low, int64_t high) {
  int64_t number = 0;
  const std::string& text = value.text;
  if (value.Is(JsonValue::Type::kNumber)) {
    if (text.find_first_of(".eE") != std::string::npos) {
      Fail(value, place, "expected an integer, found " + text);
      return std::nullopt;
    }
    const std::from_chars_result end =
        std::from_chars(text.data(), text.data() + text.size(), number);
    if (end.ec != std::errc()) {
      Fail(value, place, "value " + EchoText(text) + " out of range " + Range(low, high));
      return std::nullopt;
    }
  } else if (value.Is(JsonValue::Type::kString)) {
    const std::optional<uint32_t> hex = ParseHexNumber(text);
    if (!hex) {
      Fail(value, place,
           AllHexDigitsAfter0x(text)
               ? "value " + EchoText(text) + " out of range " + Range(low, high)
               : "'" + EchoText(text) + "' is not a number such as 32 or \"0x20\"");
      return std::nullopt;
    }
    number = *hex;
  } else {
    Fail(value, place,
         std::string("expected an integer or a hexadecimal text, found ") + value.TypeName());
    return std::nullopt;
  }
  if (number < low || number > high) {
    Fail(value, place, "value " + EchoText(text) + " out of range " + Range(low, high));
    return std::nullopt;
  }
  return number;
}

std::optional<std::string> JsonCheck::Text(const JsonValue& value, const std::string& place) {
  if (value.Is(JsonValue::Type::kString)) return value.text;
  Fail(value, place, std::string("expected a text, found ") + value.TypeName());
  return std::nullopt;
}

std::optional<bool> JsonCheck::Boolean(const JsonValue& value, const std::string& place) {
  if (value.Is(JsonValue::Type::kBool)) return value.boolean;
  Fail(value, place, std::string("expected true or false, found ") + value.TypeName());
  return std::nullopt;
}

std::optional<std::vector<uint8_t>> JsonCheck::Bytes(const JsonValue& value,
                                                     const std::string& place, size_t exactSize,
                                                     size_t maxSize) {
  const std::optional<std::string> text = Text(value, place);
  if (!text) return std::nullopt;
  std::string why;
  std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(*text, why);
  if (!bytes) {
    Fail(value, place, EchoText(why));
    return std::nullopt;
  }
  if (exactSize != 0 && bytes->size() != exactSize) {
    Fail(value, place,
         "expected " + std::to_string(exactSize) + " bytes (" + std::to_string(exactSize * 2) +
             " hexadecimal digits), found " + std::to_string(bytes->size()));
    return std::nullopt;
  }
  if (bytes->size() > maxSize) {
    Fail(value, place, "more than " + std::to_string(maxSize) + " bytes");
    return std::nullopt;
  }
  return bytes;
}

std::optional<int64_t> JsonCheck::AddressKey(const std::string& key, const JsonValue& at,
                                             const std::string& place, int64_t high) {
  int64_t address = 0;
  if (const std::optional<uint32_t> hex = ParseHexNumber(key)) {
    address = *hex;
  } else if (!key.empty() && key.size() <= 10 &&
             key.find_first_not_of("0123456789") == std::string::npos) {
    address = std::stoll(key);
  } else {
    Fail(at, place, "'" + EchoText(key) + "' is not an address such as \"0x51\"");
    return std::nullopt;
  }
  if (address > high) {
    Fail(at, place, "address " + EchoText(key) + " out of range " + Range(0, high));
    return std::nullopt;
  }
  return address;
}

}  // namespace halyard
