// The frequency counters: SCPI answers read strictly, the counter lines chosen like the
// backend, and a SCPI counter over TCP against a small server on 127.0.0.1 that answers from
// the bench's oscillator, answers garbage, answers late or hangs up.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <thread>

#include "counter/ScpiCounter.h"
#include "support/ScpiTestServer.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using namespace std::chrono_literals;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::ScpiReply;
using testing::ScpiTestServer;

constexpr const char* kIdentity = "ACME,CNT-91,12345,1.2";

TEST(ScpiAnswer, IsReadAsAFrequencyOnlyWhenItIsOne) {
  // The status, with the frequency read or, for any other status, a reason.
  const auto parse = [](const char* answer, double expectedHz) {
    double hz = 0.0;
    std::string error;
    const CounterStatus status = ParseFrequency(answer, hz, error);
    if (status == CounterStatus::kOk) {
      EXPECT_EQ(hz, expectedHz) << answer;
    } else {
      EXPECT_FALSE(error.empty()) << answer;
    }
    return status;
  };
  EXPECT_EQ(parse("+3.27680000E+04", 32768.0), CounterStatus::kOk);
  EXPECT_EQ(parse(" 32768.125\r", 32768.125), CounterStatus::kOk);
  EXPECT_EQ(parse("1e3", 1000.0), CounterStatus::kOk);
  for (const char* answer : {"9.91E37", "+9.91000000E+37"})
    EXPECT_EQ(parse(answer, 0), CounterStatus::kNoSignal) << answer;
  for (const char* answer : {"", "abc", "32768 Hz", "32768,1", "-32768", "0", "nan", "inf", "++5"})
    EXPECT_EQ(parse(answer, 0), CounterStatus::kBadAnswer) << answer;
}

// A backend's own counter, told apart by its address.
class OwnCounter final : public FrequencyCounter {
 public:
  CounterStatus Identify(std::string&, std::string&) override { return CounterStatus::kOk; }
  CounterStatus Measure(double&, std::string&) override { return CounterStatus::kNoSignal; }
  const std::string& Description() const override { return description_; }

 private:
  std::string description_ = kBackendCounterLine;
};

TEST(CounterLine, NamesACounterOrSaysWhyNot) {
  enum Made { kRefused, kNone, kBackends, kAnother };
  // What the line gave, with or without a counter of the backend's own; a refusal names the
  // counter on one line.
  const auto make = [](const char* line, bool backendHasOne) {
    auto own = backendHasOne ? std::make_unique<OwnCounter>() : nullptr;
    const FrequencyCounter* ownAddress = own.get();
    std::unique_ptr<FrequencyCounter> counter;
    std::string error;
    if (!MakeCounter({line, std::move(own), 100ms}, counter, error)) {
      EXPECT_THAT(error, HasSubstr("counter"));
      EXPECT_EQ(error.find('\n'), std::string::npos);
      return counter == nullptr ? kRefused : kAnother;
    }
    if (counter == nullptr) return kNone;
    return counter.get() == ownAddress ? kBackends : kAnother;
  };
  const struct {
    const char* line;
    Made withOwn, withoutOwn;
  } cases[] = {
      {"", kBackends, kNone},  // no line: the backend's own, else none (the operator trims by hand)
      {"sim", kBackends, kRefused},
      {"scpi:tcp:127.0.0.1:5025", kAnother, kAnother},
      {"scpi:tcp:[::1]:5025", kAnother, kAnother},
      {"scpi:/dev/usbtmc0", kAnother, kAnother},
      {"scpi:tcp:127.0.0.1", kRefused, kRefused},
      {"scpi:tcp:127.0.0.1:", kRefused, kRefused},
      {"scpi:tcp::5025", kRefused, kRefused},
      {"scpi:tcp:host:50x5", kRefused, kRefused},
      {"gpib:7", kRefused, kRefused},
      {"SIM", kRefused, kRefused},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(make(c.line, true), c.withOwn) << c.line;
    EXPECT_EQ(make(c.line, false), c.withoutOwn) << c.line;
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
  for (const auto& [name, reply, status] :
       {std::tuple{"garbage", ScpiReply{"#!garbage"}, CounterStatus::kBadAnswer},
        std::tuple{"late", ScpiReply{"32768.0", 700ms}, CounterStatus::kTimeout},
        std::tuple{"closed", ScpiReply{"", 0ms, true}, CounterStatus::kClosed},
        std::tuple{"no signal", ScpiReply{"9.91E37"}, CounterStatus::kNoSignal}}) {
    SCOPED_TRACE(name);
    int measurements = 0;
    ScpiTestServer server([&measurements, reply = reply](const std::string& query) {
      if (query == "*IDN?") return ScpiReply{kIdentity};
      if (query != kScpiMeasureFrequency) return ScpiReply{"unknown query"};
      return ++measurements == 1 ? reply : ScpiReply{"+3.27690000E+04"};
    });
    ASSERT_NE(server.Port(), 0);
    std::unique_ptr<FrequencyCounter> counter = Counter(server.CounterLine(), 500ms);
    double hz = 0.0;
    std::string error;
    EXPECT_EQ(counter->Measure(hz, error), status);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(counter->Measure(hz, error), CounterStatus::kOk) << error;
    EXPECT_EQ(hz, 32769.0);
    std::string identity;
    EXPECT_EQ(counter->Identify(identity, error), CounterStatus::kOk) << error;
    EXPECT_EQ(identity, kIdentity);
  }
}

TEST(ScpiAnswerReader, TakesOneLineAndCallsAnotherOutOfTurn) {
  using State = ScpiAnswerReader::State;
  const struct {
    std::vector<std::string> arrivals;
    State state;
    std::string answer;
  } cases[] = {
      {{"+3.2768E+04\n"}, State::kAnswer, "+3.2768E+04"},
      {{"+3.27", "68E+04\r", "\n"}, State::kAnswer, "+3.2768E+04\r"},
      {{"32768.0"}, State::kMore, "32768.0"},
      {{"32768.0\n32769.0\n"}, State::kOutOfTurn, "32768.0"},
      {{"32768.0\n", "32769.0"}, State::kAnswer, "32768.0"},  // the second: the next query's drain
      {{std::string(kMaxScpiAnswer, '1'), "1"}, State::kTooLong, ""},
      {{std::string(kMaxScpiAnswer, '1') + "\n"}, State::kAnswer, std::string(kMaxScpiAnswer, '1')},
  };
  for (const auto& c : cases) {
    ScpiAnswerReader reader;
    State state = State::kMore;
    for (const std::string& bytes : c.arrivals) {
      if (state == State::kMore) state = reader.Take(bytes);
    }
    EXPECT_EQ(state, c.state) << c.arrivals.front().substr(0, 20);
    if (state != State::kTooLong) EXPECT_EQ(reader.Answer(), c.answer);
  }
}

// A counter that sends a line nobody asked for: the answers can no longer be matched to the
// queries, so the query that meets it fails (never taking it for a reading) and the connection
// is made anew; so does an identification that is a reading.
TEST(ScpiCounterOverTcp, ALineNobodyAskedForIsAFaultAndNeverAReading) {
  const struct {
    const char* name;
    ScpiReply first;
    std::vector<CounterStatus> statuses;
  } cases[] = {
      {"in the answer's write",
       {"32768.0", 0ms, false, "32000.0"},
       {CounterStatus::kOutOfTurn, CounterStatus::kOk, CounterStatus::kOk}},
      {"shortly after the answer",
       {"32768.0", 0ms, false, "32000.0", 20ms},
       {CounterStatus::kOk, CounterStatus::kOutOfTurn, CounterStatus::kOk}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::atomic<int> measurements = 0;
    ScpiTestServer server([&, first = c.first](const std::string& query) {
      if (query == "*IDN?") return ScpiReply{kIdentity};
      return ++measurements == 1 ? first : ScpiReply{"32769.0"};
    });
    std::unique_ptr<FrequencyCounter> counter = Counter(server.CounterLine(), 500ms);
    std::vector<CounterStatus> statuses;
    for (size_t i = 0; i < c.statuses.size(); ++i) {
      // The second query goes out once the stray line has been sent, whenever that is.
      for (int wait = 0; i == 1 && c.first.strayDelay > 0ms && server.Strays() == 0 && wait < 500;
           ++wait)
        std::this_thread::sleep_for(10ms);
      if (i == 1 && c.first.strayDelay > 0ms) std::this_thread::sleep_for(10ms);
      double hz = 0.0;
      std::string error;
      statuses.push_back(counter->Measure(hz, error));
      if (statuses.back() == CounterStatus::kOutOfTurn) EXPECT_THAT(error, HasSubstr("32000.0"));
      if (statuses.back() == CounterStatus::kOk) EXPECT_NE(hz, 32000.0);
    }
    EXPECT_EQ(statuses, c.statuses);
    EXPECT_EQ(server.Connections(), 2);
  }
  ScpiTestServer numbers([](const std::string&) { return ScpiReply{"+3.27680000E+04"}; });
  std::string identity;
  std::string error;
  EXPECT_EQ(Counter(numbers.CounterLine(), 500ms)->Identify(identity, error),
            CounterStatus::kOutOfTurn);
  EXPECT_THAT(error, HasSubstr("a reading"));
}

// Nobody listening at the port, or no such device: each query fails naming where it went.
TEST(ScpiCounter, ACounterNobodyAnswersAtIsUnreachable) {
  int port = 0;
  {
    ScpiTestServer gone([](const std::string&) { return ScpiReply{}; });
    port = gone.Port();
  }
  for (const auto& [line, named] :
       {std::pair{"scpi:tcp:127.0.0.1:" + std::to_string(port), "127.0.0.1"},
        std::pair{std::string("scpi:/dev/usbtmc-none"), "/dev/usbtmc-none"}}) {
    double hz = 0.0;
    std::string error;
    EXPECT_EQ(Counter(line, 200ms)->Measure(hz, error), CounterStatus::kUnreachable) << line;
    EXPECT_THAT(error, HasSubstr(named));
  }
}

// The whole station on a SCPI counter: the server reads the bench's oscillator, so the search
// must choose what it chooses with the bench's own counter, and keep the instrument's name;
// when the counter then answers garbage, the next search fails and stores nothing.
TEST(ScpiCounterOverTcp, TrimsAUnitAsTheBenchsOwnCounterDoesAndFailsOnGarbage) {
  const std::string bench =
      R"({"controller": {"oscillator": {"offset_ppm": -3100, "wobble_ppm": 50}}})";
  testing::TestStation reference({.bench = bench});
  reference.form().StartTrim_Click();
  reference.station().AutoTrimmer().Run(false);
  ASSERT_TRUE(reference.station().AutoTrimmer().Report().chosen);

  SimulatedAdapter* oscillator = nullptr;
  std::atomic<bool> garbage = false;
  ScpiTestServer server([&oscillator, &garbage](const std::string& query) {
    double hz = 0.0;
    if (query == "*IDN?") return ScpiReply{kIdentity};
    if (garbage) return ScpiReply{"OVERLOAD"};
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
  // *IDN? before the search and after it, and a reading for each iteration.
  EXPECT_EQ(server.Queries(), 2 + static_cast<int>(trimmer.Report().iterations.size()));

  const uint8_t stored = (*station.sim().Row(kReservedRowAddress))[kTrimByteIndex];
  station.TakeTrace();
  garbage = true;
  trimmer.Run(true);
  EXPECT_FALSE(trimmer.Verdict().Passed());
  EXPECT_THAT(trimmer.Verdict().Reason(), HasSubstr("bad answer"));
  EXPECT_EQ((*station.sim().Row(kReservedRowAddress))[kTrimByteIndex], stored);
  EXPECT_THAT(station.TakeTrace(), Each(Not(HasSubstr("WriteSmbusBlock"))));
}

}  // namespace
}  // namespace halyard
