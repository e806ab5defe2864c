// The frequency counters: SCPI answers read strictly, the counter lines chosen like the
// backend, and a SCPI counter over TCP against a small server on 127.0.0.1 that answers from
// the bench's oscillator, answers garbage, answers late or hangs up.
#include <gtest/gtest.h>

#include <cmath>

#include "counter/ScpiCounter.h"
#include "support/ScpiTestServer.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using namespace std::chrono_literals;
using testing::ScpiReply;
using testing::ScpiTestServer;

constexpr const char* kIdentity = "ACME,CNT-91,12345,1.2";

TEST(ScpiAnswer, IsReadAsAFrequencyOnlyWhenItIsOne) {
  struct Case {
    const char* answer;
    CounterStatus status;
    double hz;
  };
  const Case cases[] = {
      {"+3.27680000E+04", CounterStatus::kOk, 32768.0},
      {" 32768.125\r", CounterStatus::kOk, 32768.125},
      {"1e3", CounterStatus::kOk, 1000.0},
      {"9.91E37", CounterStatus::kNoSignal, 0},
      {"+9.91000000E+37", CounterStatus::kNoSignal, 0},
      {"", CounterStatus::kBadAnswer, 0},
      {"abc", CounterStatus::kBadAnswer, 0},
      {"32768 Hz", CounterStatus::kBadAnswer, 0},
      {"32768,1", CounterStatus::kBadAnswer, 0},
      {"-32768", CounterStatus::kBadAnswer, 0},
      {"0", CounterStatus::kBadAnswer, 0},
      {"nan", CounterStatus::kBadAnswer, 0},
      {"inf", CounterStatus::kBadAnswer, 0},
      {"++5", CounterStatus::kBadAnswer, 0},
  };
  for (const Case& c : cases) {
    double hz = 0.0;
    std::string error;
    EXPECT_EQ(ParseFrequency(c.answer, hz, error), c.status) << c.answer;
    if (c.status == CounterStatus::kOk) {
      EXPECT_EQ(hz, c.hz) << c.answer;
    } else {
      EXPECT_FALSE(error.empty()) << c.answer;
    }
  }
}

TEST(CounterLine, NamesACounterOrSaysWhyNot) {
  struct Case {
    const char* line;
    bool onBench;
    bool made;
    bool hasCounter;
  };
  const Case cases[] = {
      {"", true, true, true},
      {"sim", true, true, true},
      {"", false, true, false},
      {"sim", false, false, false},
      {"scpi:tcp:127.0.0.1:5025", false, true, true},
      {"scpi:tcp:[::1]:5025", false, true, true},
      {"scpi:/dev/usbtmc0", false, true, true},
      {"scpi:tcp:127.0.0.1", false, false, false},
      {"scpi:tcp:127.0.0.1:", false, false, false},
      {"scpi:tcp::5025", false, false, false},
      {"scpi:tcp:host:50x5", false, false, false},
      {"gpib:7", false, false, false},
  };
  testing::TestStation station;
  for (const Case& c : cases) {
    std::unique_ptr<FrequencyCounter> counter;
    std::string error;
    EXPECT_EQ(MakeCounter({c.line, c.onBench ? &station.sim() : nullptr, 100ms}, counter, error),
              c.made)
        << c.line;
    EXPECT_EQ(counter != nullptr, c.hasCounter) << c.line;
    if (!c.made) {
      EXPECT_NE(error.find("counter"), std::string::npos) << error;
    }
  }
}

std::unique_ptr<FrequencyCounter> Counter(const std::string& line,
                                          std::chrono::milliseconds timeout) {
  std::unique_ptr<FrequencyCounter> counter;
  std::string error;
  EXPECT_TRUE(MakeCounter({line, nullptr, timeout}, counter, error)) << error;
  return counter;
}

// Each fault fails that query alone: the next query connects again and is answered.
TEST(ScpiCounterOverTcp, AFaultyAnswerFailsItsQueryAndTheNextOneWorks) {
  struct Case {
    const char* name;
    ScpiReply reply;
    CounterStatus status;
  };
  const Case cases[] = {
      {"garbage", {"#!garbage", 0ms, false}, CounterStatus::kBadAnswer},
      {"late", {"32768.0", 700ms, false}, CounterStatus::kTimeout},
      {"closed", {"", 0ms, true}, CounterStatus::kClosed},
      {"no signal", {"9.91E37", 0ms, false}, CounterStatus::kNoSignal},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int measurements = 0;
    ScpiTestServer server([&](const std::string& query) {
      if (query == "*IDN?") return ScpiReply{kIdentity};
      if (query != kScpiMeasureFrequency) return ScpiReply{"unknown query"};
      return ++measurements == 1 ? c.reply : ScpiReply{"+3.27690000E+04"};
    });
    ASSERT_NE(server.Port(), 0);
    std::unique_ptr<FrequencyCounter> counter = Counter(server.CounterLine(), 500ms);
    double hz = 0.0;
    std::string error;
    EXPECT_EQ(counter->Measure(hz, error), c.status);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(counter->Measure(hz, error), CounterStatus::kOk) << error;
    EXPECT_EQ(hz, 32769.0);
    std::string identity;
    EXPECT_EQ(counter->Identify(identity, error), CounterStatus::kOk) << error;
    EXPECT_EQ(identity, kIdentity);
  }
}

TEST(ScpiCounterOverTcp, NobodyListeningIsUnreachable) {
  int port = 0;
  {
    ScpiTestServer gone([](const std::string&) { return ScpiReply{}; });
    port = gone.Port();
  }
  std::unique_ptr<FrequencyCounter> counter =
      Counter("scpi:tcp:127.0.0.1:" + std::to_string(port), 200ms);
  double hz = 0.0;
  std::string error;
  EXPECT_EQ(counter->Measure(hz, error), CounterStatus::kUnreachable);
  EXPECT_NE(error.find("127.0.0.1"), std::string::npos) << error;
}

TEST(ScpiCounterOverUsbtmc, AMissingDeviceIsUnreachable) {
  std::unique_ptr<FrequencyCounter> counter = Counter("scpi:/dev/usbtmc-none", 200ms);
  double hz = 0.0;
  std::string error;
  EXPECT_EQ(counter->Measure(hz, error), CounterStatus::kUnreachable);
  EXPECT_NE(error.find("/dev/usbtmc-none"), std::string::npos) << error;
}

// The whole station on a SCPI counter: the server reads the bench's oscillator, so the search
// must choose what it chooses with the bench's own counter, and keep the instrument's name.
TEST(ScpiCounterOverTcp, TrimsAUnitAsTheBenchsOwnCounterDoes) {
  const std::string bench =
      R"({"controller": {"oscillator": {"offset_ppm": -3100, "wobble_ppm": 50}}})";
  testing::TestStation reference({.bench = bench});
  reference.form().StartTrim_Click();
  reference.station().AutoTrimmer().Run(false);
  ASSERT_TRUE(reference.station().AutoTrimmer().Report().chosen);

  SimulatedAdapter* oscillator = nullptr;
  ScpiTestServer server([&oscillator](const std::string& query) {
    double hz = 0.0;
    if (query == "*IDN?") return ScpiReply{kIdentity};
    if (query != kScpiMeasureFrequency || oscillator == nullptr) return ScpiReply{"?"};
    return ScpiReply{oscillator->MeasureOscillator(hz) ? std::to_string(hz) : "9.91E37"};
  });
  testing::TestStation station(
      {.bench = bench, .ini = testing::DefaultIni() + "[Trim]\nCounter=" + server.CounterLine()});
  oscillator = &station.sim();
  station.form().StartTrim_Click();
  AutoTrim& trimmer = station.station().AutoTrimmer();
  trimmer.Run(true);
  ASSERT_TRUE(trimmer.Verdict().Passed()) << trimmer.Verdict().Reason();
  EXPECT_EQ(trimmer.Report().counterIdentity, kIdentity);
  EXPECT_EQ(trimmer.Report().counter, server.CounterLine());
  EXPECT_EQ(trimmer.Report().chosen->code, reference.station().AutoTrimmer().Report().chosen->code);
  EXPECT_EQ(server.Queries(), 1 + static_cast<int>(trimmer.Report().iterations.size()));
}

TEST(ScpiCounterOverTcp, ACounterThatAnswersGarbageFailsTheTrimAndStoresNothing) {
  ScpiTestServer server([](const std::string& query) {
    return ScpiReply{query == "*IDN?" ? kIdentity : "OVERLOAD"};
  });
  testing::TestStation station(
      {.ini = testing::DefaultIni() + "[Trim]\nCounter=" + server.CounterLine()});
  station.form().StartTrim_Click();
  AutoTrim& trimmer = station.station().AutoTrimmer();
  trimmer.Run(true);
  EXPECT_FALSE(trimmer.Verdict().Passed());
  EXPECT_NE(trimmer.Verdict().Reason().find("bad answer"), std::string::npos)
      << trimmer.Verdict().Reason();
  EXPECT_EQ((*station.sim().Row(kReservedRowAddress))[kTrimByteIndex], kTrimMidrange);
}

}  // namespace
}  // namespace halyard
