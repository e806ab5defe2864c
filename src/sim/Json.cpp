// A strict recursive-descent JSON reader. Recursion is bounded by kMaxDepth so a file of
// nested brackets cannot exhaust the stack; repeated keys are found by sorting each object's
// keys once, so a file of many objects or an object of many keys reads in about linear time.
#include "sim/Json.h"

#include <algorithm>
#include <numeric>

#include "adapter/Utils.h"  // HexDigitValue

namespace halyard {
namespace {

constexpr int kMaxDepth = 64;

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  bool Document(JsonValue& out) {
    SkipBlanks();
    if (!Value(out, 0)) return false;
    SkipBlanks();
    if (pos_ < text_.size()) return Fail("text after the end of the document");
    return true;
  }

  std::string place;
  std::string reason;

 private:
  bool Fail(const std::string& why) {
    place = PositionAt(pos_);
    reason = "syntax error: " + why;
    return false;
  }

  std::string PositionAt(size_t at) const {
    return "line " + std::to_string(LineAt(at)) + ", column " + std::to_string(ColumnAt(at));
  }
  // Lines are counted incrementally: a fault is reported once, values are placed often.
  uint32_t LineAt(size_t at) const {
    while (lineScan_ < at) {
      if (text_[lineScan_++] == '\n') {
        ++line_;
        lineStart_ = lineScan_;
      }
    }
    return line_;
  }
  uint32_t ColumnAt(size_t at) const {
    LineAt(at);
    return static_cast<uint32_t>(at - lineStart_ + 1);
  }

  void SkipBlanks() {
    while (pos_ < text_.size() && (text_[pos_] == ' ' || text_[pos_] == '\t' ||
                                   text_[pos_] == '\n' || text_[pos_] == '\r'))
      ++pos_;
  }

  bool Literal(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return Fail("unknown word");
    pos_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (pos_ >= text_.size()) return Fail("unexpected end of the file, expected a value");
    out.line = LineAt(pos_);
    out.column = ColumnAt(pos_);
    const char c = text_[pos_];
    switch (c) {
      case '{':
        return Object(out, depth);
      case '[':
        return Array(out, depth);
      case '"':
        out.type = JsonValue::Type::kString;
        return String(out.text);
      case 't':
      case 'f':
        out.type = JsonValue::Type::kBool;
        out.boolean = c == 't';
        return Literal(c == 't' ? "true" : "false");
      case 'n':
        return Literal("null");
      default:
        if (c == '-' || (c >= '0' && c <= '9')) return Number(out);
        return Fail("expected a value, found '" + EchoText(text_.substr(pos_, 1)) + "'");
    }
  }

  bool Digits() {
    const size_t start = pos_;
    while (pos_ < text_.size() && text_[pos_] >= '0' && text_[pos_] <= '9')
      ++pos_;
    return pos_ > start || Fail("a digit expected in a number");
  }

  bool Number(JsonValue& out) {
    const size_t start = pos_;
    if (text_[pos_] == '-') ++pos_;
    if (pos_ < text_.size() && text_[pos_] == '0') {
      ++pos_;
    } else if (!Digits()) {
      return false;
    }
    if (pos_ < text_.size() && text_[pos_] == '.' && (++pos_, !Digits())) return false;
    if (pos_ < text_.size() && (text_[pos_] == 'e' || text_[pos_] == 'E')) {
      ++pos_;
      if (pos_ < text_.size() && (text_[pos_] == '+' || text_[pos_] == '-')) ++pos_;
      if (!Digits()) return false;
    }
    out.type = JsonValue::Type::kNumber;
    out.text.assign(text_.substr(start, pos_ - start));
    return true;
  }

  bool Array(JsonValue& out, int depth) {
    if (depth >= kMaxDepth) return Fail("nested deeper than " + std::to_string(kMaxDepth));
    out.type = JsonValue::Type::kArray;
    ++pos_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == ']') return ++pos_, true;
    while (true) {
      SkipBlanks();
      path_.push_back({nullptr, out.items.size()});
      if (!Value(out.items.emplace_back(), depth + 1)) return false;
      path_.pop_back();
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == ']') return ++pos_, true;
      return Fail("expected ',' or ']' in an array");
    }
  }

  bool Object(JsonValue& out, int depth) {
    if (depth >= kMaxDepth) return Fail("nested deeper than " + std::to_string(kMaxDepth));
    out.type = JsonValue::Type::kObject;
    ++pos_;
    SkipBlanks();
    if (pos_ < text_.size() && text_[pos_] == '}') return ++pos_, true;
    while (true) {
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != '"') return Fail("expected a key in quotes");
      if (!String(out.keys.emplace_back())) return false;
      SkipBlanks();
      if (pos_ >= text_.size() || text_[pos_] != ':') return Fail("expected ':' after a key");
      ++pos_;
      SkipBlanks();
      // The key stays put while its value is read: nothing is added to `keys` meanwhile.
      path_.push_back({&out.keys.back(), 0});
      if (!Value(out.items.emplace_back(), depth + 1)) return false;
      path_.pop_back();
      SkipBlanks();
      if (pos_ < text_.size() && text_[pos_] == ',') {
        ++pos_;
        continue;
      }
      if (pos_ < text_.size() && text_[pos_] == '}') {
        ++pos_;
        return UniqueKeys(out);
      }
      return Fail("expected ',' or '}' in an object");
    }
  }

  // A key given twice would otherwise silently lose one value; an operator who sets a value
  // twice should hear about it. The pointer names the object and the key.
  bool UniqueKeys(const JsonValue& object) {
    std::vector<size_t> order(object.keys.size());
    std::iota(order.begin(), order.end(), size_t{0});
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return object.keys[a] < object.keys[b]; });
    for (size_t i = 1; i < order.size(); ++i) {
      const std::string& key = object.keys[order[i]];
      if (key != object.keys[order[i - 1]]) continue;
      const JsonValue& second = object.items[std::max(order[i], order[i - 1])];
      place = Pointer() + "/" + JsonPointerToken(key) + " at " + second.Position();
      reason = "key given twice";
      return false;
    }
    return true;
  }

  bool Escape(std::string& out) {
    if (pos_ >= text_.size()) return Fail("unexpected end of the file in a text");
    const char c = text_[pos_++];
    static constexpr std::string_view kFrom = "\"\\/bfnrt", kTo = "\"\\/\b\f\n\r\t";
    if (const size_t k = kFrom.find(c); k != std::string_view::npos) return out += kTo[k], true;
    if (c != 'u') return Fail("unknown escape '\\" + EchoText(std::string_view(&c, 1)) + "'");
    uint32_t code = 0;
    if (!Hex4(code)) return false;
    if (code >= 0xD800 && code <= 0xDBFF) {
      uint32_t low = 0;
      if (text_.substr(pos_, 2) != "\\u" || (pos_ += 2, !Hex4(low)) || low < 0xDC00 ||
          low > 0xDFFF) {
        return Fail("a lone surrogate in a \\u escape");
      }
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    } else if (code >= 0xDC00 && code <= 0xDFFF) {
      return Fail("a lone surrogate in a \\u escape");
    }
    AppendUtf8(out, code);
    return true;
  }

  bool Hex4(uint32_t& code) {
    for (int i = 0; i < 4; ++i) {
      const int digit = pos_ < text_.size() ? HexDigitValue(text_[pos_]) : -1;
      if (digit < 0) return Fail("a \\u escape needs four hexadecimal digits");
      code = code * 16 + static_cast<uint32_t>(digit);
      ++pos_;
    }
    return true;
  }

  static void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  // Length of the well-formed UTF-8 sequence at pos_, or 0.
  size_t Utf8Length() const {
    const auto byte = [&](size_t i) {
      return pos_ + i < text_.size() ? static_cast<uint8_t>(text_[pos_ + i]) : 0;
    };
    const uint8_t b0 = byte(0);
    const auto cont = [&](size_t i) { return (byte(i) & 0xC0) == 0x80; };
    if (b0 >= 0xC2 && b0 <= 0xDF) return cont(1) ? 2 : 0;
    if (b0 >= 0xE0 && b0 <= 0xEF) {
      const uint8_t b1 = byte(1);
      if ((b0 == 0xE0 && b1 < 0xA0) || (b0 == 0xED && b1 > 0x9F)) return 0;
      return cont(1) && cont(2) ? 3 : 0;
    }
    if (b0 >= 0xF0 && b0 <= 0xF4) {
      const uint8_t b1 = byte(1);
      if ((b0 == 0xF0 && b1 < 0x90) || (b0 == 0xF4 && b1 > 0x8F)) return 0;
      return cont(1) && cont(2) && cont(3) ? 4 : 0;
    }
    return 0;
  }

  bool String(std::string& out) {
    ++pos_;
    while (true) {
      const size_t start = pos_;
      while (pos_ < text_.size() && text_[pos_] != '"' && text_[pos_] != '\\' &&
             static_cast<uint8_t>(text_[pos_]) >= 0x20 && static_cast<uint8_t>(text_[pos_]) < 0x80)
        ++pos_;
      out.append(text_.substr(start, pos_ - start));
      if (pos_ >= text_.size()) return Fail("unexpected end of the file in a text");
      const auto c = static_cast<uint8_t>(text_[pos_]);
      if (c == '"') return ++pos_, true;
      if (c == '\\') {
        ++pos_;
        if (!Escape(out)) return false;
      } else if (c < 0x20) {
        return Fail("a control character in a text (write it as \\u00" +
                    std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15] + ")");
      } else if (const size_t n = Utf8Length(); n > 0) {
        out.append(text_.substr(pos_, n));
        pos_ += n;
      } else {
        return Fail("a byte that is not UTF-8 in a text");
      }
    }
  }

  std::string Pointer() const {
    std::string out;
    for (const Step& step : path_)
      out += "/" + (step.key != nullptr ? JsonPointerToken(*step.key) : std::to_string(step.index));
    return out;
  }

  // Where the value being read sits: a key of an object or an index of an array.
  struct Step {
    const std::string* key;
    size_t index;
  };

  std::string_view text_;
  std::vector<Step> path_;
  size_t pos_ = 0;
  mutable uint32_t line_ = 1;
  mutable size_t lineStart_ = 0;
  mutable size_t lineScan_ = 0;
};

}  // namespace

const JsonValue* JsonValue::Find(std::string_view key) const {
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == key) return &items[i];
  }
  return nullptr;
}

const char* JsonValue::TypeName() const {
  switch (type) {
    case Type::kNull:
      return "null";
    case Type::kBool:
      return "true or false";
    case Type::kNumber:
      return "a number";
    case Type::kString:
      return "a text";
    case Type::kArray:
      return "an array";
    case Type::kObject:
      return "an object";
  }
  return "a value";
}

std::string JsonValue::Position() const {
  return "line " + std::to_string(line) + ", column " + std::to_string(column);
}

bool ParseJson(std::string_view text, JsonValue& out, std::string& place, std::string& reason) {
  Parser parser(text);
  JsonValue parsed;
  if (!parser.Document(parsed)) {
    place = parser.place;
    reason = parser.reason;
    return false;
  }
  out = std::move(parsed);
  return true;
}

std::string JsonPointerToken(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '~') {
      out += "~0";
    } else if (c == '/') {
      out += "~1";
    } else {
      out += c;
    }
  }
  return EchoText(out);
}

std::string EchoText(std::string_view text) {
  constexpr size_t kMaxEcho = 60;
  std::string out;
  for (size_t i = 0; i < text.size() && i < kMaxEcho; ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      out += "0123456789ABCDEF"[c >> 4];
      out += "0123456789ABCDEF"[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  if (text.size() > kMaxEcho) out += "...";
  return out;
}

bool ParseJsonNamed(std::string_view text, const std::string& sourceName, JsonValue& out,
                    std::string& error) {
  std::string place;
  std::string reason;
  if (ParseJson(text, out, place, reason)) return true;
  error = sourceName + ": " + place + ": " + reason;
  return false;
}

}  // namespace halyard
