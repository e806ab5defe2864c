// halyardctl's JSON writer against the JSON library whose output it must reproduce byte for
// byte: every text of one and two bytes, every short text over the bytes where UTF-8 decoding
// turns (control characters, quotes, lead and continuation bytes at the edges of their
// ranges), and nested values with the commas between them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "cli/JsonWriter.h"

namespace halyard::cli {
namespace {

using Ordered = nlohmann::ordered_json;

std::string LibraryQuoted(const std::string& text) {
  return Ordered(text).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// Every text of `length` bytes drawn from `bytes`, compared with the library.
void ExpectAllTextsQuotedAsTheLibraryDoes(const std::vector<unsigned char>& bytes, int length) {
  std::vector<size_t> digit(static_cast<size_t>(length), 0);
  std::string text(static_cast<size_t>(length), '\0');
  for (;;) {
    for (size_t i = 0; i < digit.size(); ++i)
      text[i] = static_cast<char>(bytes[digit[i]]);
    ASSERT_EQ(QuoteText(text), LibraryQuoted(text)) << ::testing::PrintToString(text);
    size_t i = 0;
    while (i < digit.size() && ++digit[i] == bytes.size())
      digit[i++] = 0;
    if (i == digit.size()) return;
  }
}

TEST(JsonWriter, QuotesEveryTextAsTheLibraryDoes) {
  std::vector<unsigned char> all(256);
  for (int b = 0; b < 256; ++b)
    all[static_cast<size_t>(b)] = static_cast<unsigned char>(b);
  ExpectAllTextsQuotedAsTheLibraryDoes(all, 1);
  ExpectAllTextsQuotedAsTheLibraryDoes(all, 2);
  // The bytes where a decoder's decisions change: the limits of each lead byte's second-byte
  // range (E0, ED, F0, F4), continuation bytes at both ends, bytes that never occur, and the
  // characters with escapes.
  const std::vector<unsigned char> edges{0x00, 0x08, 0x1F, 0x20, '"',  '\\', 'a',  0x7F, 0x80,
                                         0x8F, 0x90, 0x9F, 0xA0, 0xBF, 0xC0, 0xC1, 0xC2, 0xDF,
                                         0xE0, 0xE1, 0xED, 0xEF, 0xF0, 0xF3, 0xF4, 0xF5, 0xFF};
  ExpectAllTextsQuotedAsTheLibraryDoes(edges, 3);
  const std::vector<unsigned char> longer{'a',  0x80, 0x8F, 0x90, 0xBF, 0xC2,
                                          0xE0, 0xED, 0xF0, 0xF4, 0xFF, '"'};
  ExpectAllTextsQuotedAsTheLibraryDoes(longer, 4);
  ExpectAllTextsQuotedAsTheLibraryDoes({'a', 0xE2, 0x82, 0xAC, 0xF0, 0x9F, 0x98, 0x80}, 5);
}

TEST(JsonWriter, PutsCommasAndColonsWhereTheLibraryDoes) {
  std::string text;
  JsonWriter writer(text);
  writer.BeginObject().Key("empty").BeginArray().EndArray();
  writer.Key("none").BeginObject().EndObject();
  writer.Key("rows").BeginArray();
  for (int i = 0; i < 3; ++i) {
    writer.BeginObject().Key("n").Number(-i).Key("on").Bool(i % 2 == 1);
    writer.Key("list").BeginArray().Unsigned(0x8000000Au).String("x").EndArray().EndObject();
  }
  writer.EndArray().Key("deep").BeginArray().BeginArray().BeginArray().EndArray().EndArray();
  writer.Number(INT64_MIN).Unsigned(UINT64_MAX).EndArray().Key("k\"ey").String("").EndObject();

  Ordered expected;
  expected["empty"] = Ordered::array();
  expected["none"] = Ordered::object();
  for (int i = 0; i < 3; ++i) {
    expected["rows"].push_back(
        Ordered{{"n", -i}, {"on", i % 2 == 1}, {"list", {uint32_t{0x8000000Au}, "x"}}});
  }
  expected["deep"] = {Ordered::array({Ordered::array()}), INT64_MIN, UINT64_MAX};
  expected["k\"ey"] = "";
  EXPECT_EQ(text, expected.dump());
}

// The trim's frequencies and errors: whole, fractional, tiny, huge, negative; the JSON library
// writes the shortest text that reads back, with ".0" on a whole number.
TEST(JsonWriter, WritesRealNumbersAsTheLibraryDoes) {
  const double values[] = {32768.0, 32768.125, -865.1999999999, 0.1, 1e-7, 1.5e300, -0.0, 3.0};
  for (const double value : values) {
    std::string text;
    JsonWriter(text).Real(value);
    EXPECT_EQ(text, Ordered(value).dump()) << value;
  }
  std::string text;
  JsonWriter(text).BeginArray().Real(std::nan("")).Real(HUGE_VAL).EndArray();
  EXPECT_EQ(text, "[null,null]");
}

}  // namespace
}  // namespace halyard::cli
