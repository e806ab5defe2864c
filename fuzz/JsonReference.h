// A second opinion on the bench's strict JSON reader: nlohmann's parser, told apart where the
// bench is stricter on purpose (a key given twice, nesting beyond 64, a byte-order mark, which
// nlohmann skips, and a NUL byte, where nlohmann stops reading as at the end of the text) and
// where the two cannot be compared (a number too large for a double, which the bench keeps as
// text and nlohmann refuses).
#pragma once

#include <algorithm>
#include <cstddef>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "sim/Json.h"

namespace halyard::fuzz {

// The deepest nesting the bench reads.
inline constexpr size_t kJsonMaxDepth = 64;

// What nlohmann makes of a text, and the facts the bench's reader refuses on top of it.
class JsonReference : public nlohmann::json_sax<nlohmann::json> {
 public:
  explicit JsonReference(std::string_view text)
      : bom_(text.starts_with("\xEF\xBB\xBF")), nul_(text.find('\0') != std::string_view::npos) {
    accepted_ = nlohmann::json::sax_parse(text.begin(), text.end(), this);
  }

  // Whether the bench's reader must accept the text, or nothing when the two cannot be compared.
  std::optional<bool> BenchMustAccept() const {
    if (numberOverflow_) return std::nullopt;
    return accepted_ && !bom_ && !nul_ && !duplicateKey_ && maxDepth_ <= kJsonMaxDepth;
  }
  // nlohmann read the whole text as JSON: the bench may refuse it only as too deep or for a key
  // given twice.
  bool WholeTextIsJson() const { return accepted_ && !bom_ && !nul_; }
  bool DuplicateKey() const { return duplicateKey_; }
  bool TooDeep() const { return maxDepth_ > kJsonMaxDepth; }

  bool null() override { return true; }
  bool boolean(bool) override { return true; }
  bool number_integer(number_integer_t) override { return true; }
  bool number_unsigned(number_unsigned_t) override { return true; }
  bool number_float(number_float_t, const string_t&) override { return true; }
  bool string(string_t&) override { return true; }
  bool binary(binary_t&) override { return true; }
  bool start_object(std::size_t) override { return Open(); }
  bool key(string_t& name) override {
    duplicateKey_ = duplicateKey_ || !keys_.back().insert(name).second;
    return true;
  }
  bool end_object() override { return Close(); }
  bool start_array(std::size_t) override { return Open(); }
  bool end_array() override { return Close(); }
  bool parse_error(std::size_t, const std::string&,
                   const nlohmann::detail::exception& error) override {
    constexpr int kNumberOverflow = 406;
    numberOverflow_ = error.id == kNumberOverflow;
    return false;
  }

 private:
  bool Open() {
    keys_.emplace_back();
    maxDepth_ = std::max(maxDepth_, keys_.size());
    return true;
  }
  bool Close() {
    keys_.pop_back();
    return true;
  }

  const bool bom_;
  const bool nul_;
  bool accepted_ = false;
  bool duplicateKey_ = false;
  bool numberOverflow_ = false;
  size_t maxDepth_ = 0;
  std::vector<std::set<std::string>> keys_;  // of each open container; arrays leave theirs empty
};

// The same document, value by value: types, texts, truth values, array order, object keys.
// Numbers are compared by kind only; the bench keeps them as written.
inline bool SameDocument(const JsonValue& ours, const nlohmann::json& theirs) {
  using Type = JsonValue::Type;
  switch (ours.type) {
    case Type::kNull:
      return theirs.is_null();
    case Type::kBool:
      return theirs.is_boolean() && theirs.get<bool>() == ours.boolean;
    case Type::kNumber:
      return theirs.is_number();
    case Type::kString:
      return theirs.is_string() && theirs.get_ref<const std::string&>() == ours.text;
    case Type::kArray:
      if (!theirs.is_array() || theirs.size() != ours.items.size()) return false;
      for (size_t i = 0; i < ours.items.size(); ++i) {
        if (!SameDocument(ours.items[i], theirs[i])) return false;
      }
      return true;
    case Type::kObject:
      if (!theirs.is_object() || theirs.size() != ours.keys.size() ||
          ours.keys.size() != ours.items.size())
        return false;
      for (size_t i = 0; i < ours.keys.size(); ++i) {
        const auto found = theirs.find(ours.keys[i]);
        if (found == theirs.end() || !SameDocument(ours.items[i], *found)) return false;
      }
      return true;
  }
  return false;
}

}  // namespace halyard::fuzz
