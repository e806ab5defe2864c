// Hexadecimal conversion and timed waits.
#include "adapter/Utils.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <chrono>

#include "support/TestServices.h"

namespace halyard {
namespace {

using testing::FakeEventPump;

TEST(HexTextToBytes, CleansTextInPlaceAndConvertsPairs) {
  std::string text = "0F a5\n";
  std::vector<uint8_t> bytes(4, 0xEE);
  int16_t count = -1;
  ASSERT_TRUE(Utils::HexTextToBytes(text, bytes, count));
  EXPECT_EQ(text, "0Fa5");
  EXPECT_EQ(count, 2);
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x0F, 0xA5, 0xEE, 0xEE}));
}

TEST(HexTextToBytes, RemovesTabsAndCarriageReturns) {
  std::string text = "\t01\r\n 02 ";
  std::vector<uint8_t> bytes(2);
  int16_t count = 0;
  ASSERT_TRUE(Utils::HexTextToBytes(text, bytes, count));
  EXPECT_EQ(text, "0102");
  EXPECT_EQ(bytes, (std::vector<uint8_t>{0x01, 0x02}));
}

TEST(HexTextToBytes, OddLengthFailsButStillCleans) {
  std::string text = "A B C";
  std::vector<uint8_t> bytes(4, 0x55);
  int16_t count = 7;
  EXPECT_FALSE(Utils::HexTextToBytes(text, bytes, count));
  EXPECT_EQ(text, "ABC");
  EXPECT_EQ(count, 7);
  EXPECT_EQ(bytes, std::vector<uint8_t>(4, 0x55));
}

TEST(HexTextToBytes, MorePairsThanElementsFailsWithoutWriting) {
  std::string text = "010203";
  std::vector<uint8_t> bytes(2, 0x55);
  int16_t count = 9;
  EXPECT_FALSE(Utils::HexTextToBytes(text, bytes, count));
  EXPECT_EQ(bytes, std::vector<uint8_t>(2, 0x55));
  EXPECT_EQ(count, 9);
}

TEST(HexTextToBytes, PairsStopAtTheFirstNonDigit) {
  std::string text = "1GG1";
  std::vector<uint8_t> bytes(2, 0x55);
  int16_t count = 0;
  ASSERT_TRUE(Utils::HexTextToBytes(text, bytes, count));
  EXPECT_EQ(bytes[0], 0x01);
  EXPECT_EQ(bytes[1], 0x00);
}

TEST(HexTextToBytes, EmptyTextIsZeroPairs) {
  std::string text = " \r\n";
  std::vector<uint8_t> bytes;
  int16_t count = 5;
  ASSERT_TRUE(Utils::HexTextToBytes(text, bytes, count));
  EXPECT_EQ(count, 0);
}

TEST(HexToInt, ReadsSixteenBitPatterns) {
  EXPECT_EQ(Utils::HexToInt("17"), 23);
  EXPECT_EQ(Utils::HexToInt("C"), 12);
  EXPECT_EQ(Utils::HexToInt("c"), 12);
  EXPECT_EQ(Utils::HexToInt("B1E0"), -20000);
  EXPECT_EQ(Utils::HexToInt("FFFF"), -1);
  EXPECT_EQ(Utils::HexToInt("8000"), -32768);
  EXPECT_EQ(Utils::HexToInt(""), 0);
  EXPECT_EQ(Utils::HexToInt("G1"), 0);
  EXPECT_EQ(Utils::HexToInt("1G2"), 1);
}

TEST(HexToInt, LongTextsKeepTheLowSixteenBits) {
  EXPECT_EQ(Utils::HexToInt("12345"), 0x2345);
  EXPECT_EQ(Utils::HexToInt("1FFFF"), -1);
}

TEST(WaitSeconds, ZeroOrLessReturnsWithoutPumping) {
  FakeEventPump pump;
  Utils utils(pump);
  utils.WaitSeconds(0.0f);
  utils.WaitSeconds(-1.0f);
  EXPECT_EQ(pump.pumps, 0);
}

TEST(WaitSeconds, WaitsTheDurationOnTheMonotonicClock) {
  FakeEventPump pump;
  Utils utils(pump);
  utils.WaitSeconds(0.2f);
  EXPECT_NEAR(pump.WaitedSeconds(), 0.2, 1e-6);
  EXPECT_GE(pump.pumps, 1);
}

// A pump returns as soon as it has handled an event; the wait goes on until the deadline.
TEST(WaitSeconds, KeepsPumpingWhenThePumpReturnsEarly) {
  class EarlyPump final : public EventPump {
   public:
    Clock::time_point Now() override { return now; }
    void WaitUntil(Clock::time_point) override {
      ++pumps;
      now += std::chrono::milliseconds(10);
    }
    Clock::time_point now{};
    int pumps = 0;
  } pump;
  Utils utils(pump);
  utils.WaitSeconds(0.25f);  // exact in single precision
  EXPECT_EQ(pump.pumps, 25);
}

TEST(WaitSeconds, HandlesEventsDuringTheWait) {
  FakeEventPump pump;
  int handled = 0;
  pump.duringWait = [&] { ++handled; };
  Utils utils(pump);
  utils.WaitSeconds(0.3f);
  EXPECT_GE(handled, 1);
}

double CpuSeconds() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
         static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

TEST(WaitSeconds, SleepingPumpWaitsWithoutBurningCpu) {
  SleepingEventPump pump;
  Utils utils(pump);
  const auto start = std::chrono::steady_clock::now();
  const double cpuStart = CpuSeconds();
  utils.WaitSeconds(0.2f);
  const double elapsed =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  EXPECT_GE(elapsed, 0.2);
  EXPECT_LT(CpuSeconds() - cpuStart, 0.05);
}

}  // namespace
}  // namespace halyard
