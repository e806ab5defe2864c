// The strict JSON reader on its own: what it decodes, what it refuses and where it says so.
// FuzzReplay.bench holds it against nlohmann's reader (escapes, surrogate pairs, UTF-8 in
// strings.json), at 64 and 65 levels, and checks every value's place; these are the edges it
// lacks.
#include "sim/Json.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace halyard {
namespace {

// A text is decoded into `decoded`, or refused with a syntax error at `place`.
TEST(Json, TextsDecodeEscapesAndUtf8AndRefusalsArePlacedAtTheOffendingByte) {
  struct Case {
    std::string text, decoded;
    std::string place = "";  // empty: decoded
  };
  const std::vector<Case> cases = {
      {"\"\xE2\x82\xAC\xF4\x8F\xBF\xBF\"", "\xE2\x82\xAC\xF4\x8F\xBF\xBF"},
      {R"("\u0000")", std::string(1, '\0')},
      {R"(["\ud800"])", "", "line 1, column 9"},           // a high surrogate alone
      {R"(["\udc00"])", "", "line 1, column 9"},           // a low surrogate first
      {"[\"\xC0\xAF\"]", "", "line 1, column 3"},          // an overlong encoding of '/'
      {"[\"\xED\xA0\x80\"]", "", "line 1, column 3"},      // a surrogate written in UTF-8
      {"[\"\xF4\x90\x80\x80\"]", "", "line 1, column 3"},  // beyond U+10FFFF
      {"[01]", "", "line 1, column 3"},
      {"[-]", "", "line 1, column 3"},
      {"[1.]", "", "line 1, column 4"},
      {"[1e+]", "", "line 1, column 5"},
      {"[+1]", "", "line 1, column 2"},
      {"[tru]", "", "line 1, column 2"},
      {"{\"a\": 1,}", "", "line 1, column 9"},
      {"{\"a\" 1}", "", "line 1, column 6"},
      {"\r\n[\r\n \"abc", "", "line 3, column 6"},
      {"", "", "line 1, column 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    JsonValue value;
    std::string where, reason;
    EXPECT_EQ(ParseJson(c.text, value, where, reason), c.place.empty()) << where << ": " << reason;
    if (c.place.empty()) {
      EXPECT_EQ(value.text, c.decoded);
      continue;
    }
    EXPECT_EQ(where, c.place) << reason;
    EXPECT_EQ(reason.rfind("syntax error: ", 0), 0u) << reason;
  }
}

TEST(Json, ATabIsOneColumn) {
  JsonValue root;
  std::string place, reason;
  ASSERT_TRUE(ParseJson("[1,\n\t\"x\"]", root, place, reason)) << reason;
  ASSERT_EQ(root.items.size(), 2u);
  EXPECT_EQ(root.items[1].Position(), "line 2, column 2");
}

}  // namespace
}  // namespace halyard
