// The bench's counter through the bench driver's own extension: there only when the library
// exports it, a driver's answer passed on only when it is a frequency, and the same readings as
// the bench's counter in this process.
#include <gtest/gtest.h>

#include "driver/DriverHost.h"
#include "driver/SimDriverCounter.h"
#include "support/TestStation.h"

namespace halyard::testing {
namespace {

TEST(SimDriverCounter, ComesOnlyWithTheExtensionAndPassesOnlyAFrequencyOn) {
  std::string error;
  std::unique_ptr<DriverHost> loopback = DriverHost::Load(LOOPBACK_DRIVER, "", error);
  ASSERT_NE(loopback, nullptr) << error;
  EXPECT_EQ(MakeSimDriverCounter(*loopback), nullptr);
  // HostileDriver.c answers the extension by its mode; hz is what the counter passes on.
  const struct {
    const char* mode;
    CounterStatus status;
    double hz;
  } cases[] = {
      {"well", CounterStatus::kOk, 32768.25},
      {"long", CounterStatus::kBadAnswer, -1.0},      // an answer the extension has not
      {"negative", CounterStatus::kBadAnswer, -1.0},  // a frequency below zero
      {"bad-utf8", CounterStatus::kBadAnswer, -1.0},  // not a number
      {"nul", CounterStatus::kNoSignal, -1.0},
      {"station-status", CounterStatus::kBadAnswer, -1.0},  // the bench failed in itself
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.mode);
    std::unique_ptr<DriverHost> host = DriverHost::Load(HOSTILE_FULL, c.mode, error);
    ASSERT_NE(host, nullptr) << error;
    std::unique_ptr<FrequencyCounter> counter = MakeSimDriverCounter(*host);
    ASSERT_NE(counter, nullptr);
    double hz = -1.0;
    std::string why;
    EXPECT_EQ(counter->Measure(hz, why), c.status);
    EXPECT_EQ(hz, c.hz);
    EXPECT_EQ(why.empty(), c.status == CounterStatus::kOk) << why;
    std::string identity;
    EXPECT_EQ(counter->Identify(identity, why), CounterStatus::kOk);
    EXPECT_EQ(identity, "hostile");
    EXPECT_EQ(counter->Description(), kBackendCounterLine);
  }
}

// With noise, so that each reading differs: the driver's counter must read the same bench, one
// measurement for one, and nothing while the trim firmware is not running.
TEST(SimDriverCounter, ReadsWhatTheBenchsOwnCounterReadsInThisProcess) {
  const std::string bench = R"({"controller": {"oscillator": {"offset_ppm": 700,
      "noise_ppm": 3, "noise_seed": 11}}})";
  TestStation inProcess({.bench = bench});
  TestStation driver({.bench = bench, .adapter = std::string("driver:") + SIM_DRIVER + ",{bench}"});
  std::vector<double> readings[2];
  for (int i = 0; i < 2; ++i) {
    TestStation& station = i == 0 ? inProcess : driver;
    FrequencyCounter* counter = station.station().Counter();
    ASSERT_NE(counter, nullptr);
    double hz = 0.0;
    std::string error;
    EXPECT_EQ(counter->Measure(hz, error), CounterStatus::kNoSignal);
    EXPECT_THAT(error, ::testing::HasSubstr("start the trim first"));
    station.form().StartTrim_Click();
    for (const int16_t code : {128, 0, 255, 129}) {
      station.form().MoveFineAdjust(code);
      ASSERT_EQ(counter->Measure(hz, error), CounterStatus::kOk) << error;
      readings[i].push_back(hz);
    }
  }
  EXPECT_EQ(readings[1], readings[0]);
  EXPECT_NE(readings[0][0], readings[0][3]);  // the bars moved the oscillator between them
}

}  // namespace
}  // namespace halyard::testing
