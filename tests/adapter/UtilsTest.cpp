// Hexadecimal conversion and timed waits.
#include "adapter/Utils.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/TestServices.h"

namespace halyard {
namespace {

TEST(HexTextToBytes, CleansConvertsAndNeverWritesPastTheArray) {
  struct Case {
    std::string text, cleaned;
    bool ok;
    std::vector<uint8_t> bytes;  // array after the call (starts as four 0xEE)
    int16_t count;               // starts as -1
  };
  const std::vector<Case> cases{
      {"0F a5\n", "0Fa5", true, {0x0F, 0xA5, 0xEE, 0xEE}, 2},
      {"\t01\r\n 02 ", "0102", true, {0x01, 0x02, 0xEE, 0xEE}, 2},
      {"1GG1", "1GG1", true, {0x01, 0x00, 0xEE, 0xEE}, 2},
      {" \r\n", "", true, {0xEE, 0xEE, 0xEE, 0xEE}, 0},
      {"A B C", "ABC", false, {0xEE, 0xEE, 0xEE, 0xEE}, -1},
      {"0102030405", "0102030405", false, {0xEE, 0xEE, 0xEE, 0xEE}, -1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    std::string text = c.text;
    std::vector<uint8_t> bytes(4, 0xEE);
    int16_t count = -1;
    EXPECT_EQ(Utils::HexTextToBytes(text, bytes, count), c.ok);
    EXPECT_EQ(text, c.cleaned);
    EXPECT_EQ(bytes, c.bytes);
    EXPECT_EQ(count, c.count);
  }
}

TEST(HexDigits, UpperCaseWithAtLeastTheDigitsAsked) {
  const std::tuple<unsigned, int, std::string> cases[] = {
      {0, 1, "0"},         {0x0F, 2, "0F"},  {0x80, 1, "80"},
      {0xB1E0, 1, "B1E0"}, {0x7, 4, "0007"}, {0xABCDEF12, 2, "ABCDEF12"}};
  for (const auto& [value, digits, text] : cases)
    EXPECT_EQ(Utils::HexDigits(value, digits), text) << value;
}

TEST(HexToInt, ReadsLeadingDigitsAsASixteenBitPattern) {
  const std::vector<std::pair<std::string, int16_t>> cases{
      {"17", 23}, {"C", 12}, {"c", 12},  {"B1E0", -20000}, {"FFFF", -1},
      {"", 0},    {"G1", 0}, {"1G2", 1}, {"12345", 0x2345}};
  for (const auto& [text, value] : cases)
    EXPECT_EQ(Utils::HexToInt(text), value) << text;
}

TEST(WaitSeconds, WaitsTheWholeDurationAndNothingForZeroOrLess) {
  testing::FakeEventPump pump;
  Utils utils(pump);
  utils.WaitSeconds(0.0f);
  utils.WaitSeconds(-1.0f);
  EXPECT_EQ(pump.pumps, 0);
  utils.WaitSeconds(0.25f);
  EXPECT_NEAR(pump.WaitedSeconds(), 0.25, 1e-9);

  // A pump returns after each event it handles; the wait goes on to its deadline.
  struct EarlyPump final : EventPump {
    Clock::time_point Now() override { return now; }
    void WaitUntil(Clock::time_point) override {
      ++pumps;
      now += std::chrono::milliseconds(10);
    }
    Clock::time_point now{};
    int pumps = 0;
  } early;
  Utils(early).WaitSeconds(0.25f);
  EXPECT_EQ(early.pumps, 25);
}

}  // namespace
}  // namespace halyard
