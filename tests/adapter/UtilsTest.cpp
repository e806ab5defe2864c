// Hexadecimal conversion and timed waits. The hex fuzzer's replayed corpus (FuzzReplay.hex)
// checks HexTextToBytes and HexToInt against a plain reading for blanks and line ends, lower
// case, non-digits, too many pairs and numbers past 16 bits; these are the edges it lacks.
#include "adapter/Utils.h"

#include <gtest/gtest.h>

#include <tuple>

#include "support/TestServices.h"

namespace halyard {
namespace {

TEST(HexTextToBytes, AnOddDigitIsRefusedAndBlanksAloneAreNoBytes) {
  for (const auto& [given, cleaned, ok, count] :
       {std::tuple<std::string, std::string, bool, int16_t>{"A B C", "ABC", false, -1},
        {" \r\n", "", true, 0}}) {
    std::string text = given;
    std::vector<uint8_t> bytes(4, 0xEE);
    int16_t got = -1;
    EXPECT_EQ(Utils::HexTextToBytes(text, bytes, got), ok) << given;
    EXPECT_EQ(text, cleaned);
    EXPECT_EQ(bytes, std::vector<uint8_t>(4, 0xEE)) << "no byte written";
    EXPECT_EQ(got, count);
  }
}

TEST(HexDigitsAndHexToInt, UpperCaseWithAtLeastTheDigitsAskedAndReadBack) {
  const std::tuple<unsigned, int, std::string> cases[] = {
      {0, 1, "0"},         {0x0F, 2, "0F"},  {0x80, 1, "80"},
      {0xB1E0, 1, "B1E0"}, {0x7, 4, "0007"}, {0xABCDEF12, 2, "ABCDEF12"}};
  for (const auto& [value, digits, text] : cases)
    EXPECT_EQ(Utils::HexDigits(value, digits), text) << value;
  EXPECT_EQ(Utils::HexToInt("c"), 12);
  EXPECT_EQ(Utils::HexToInt(""), 0);
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
