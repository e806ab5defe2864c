// The automatic trim on the bench: against an exhaustive scan of the same oscillator over many
// units, within its measurement budget and settling after each move; the bus traffic of the bars
// an operator would move; a unit out of reach; the store and its read-back; cancelling.
#include <gtest/gtest.h>

#include <cmath>

#include "adapter/Protocol.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using testing::DefaultIni;
using ::testing::Each;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::TestStation;

std::string Bench(double offsetPpm, double wobblePpm, double noisePpm = 0.0) {
  return R"({"controller": {"oscillator": {"offset_ppm": )" + std::to_string(offsetPpm) +
         R"(, "wobble_ppm": )" + std::to_string(wobblePpm) + R"(, "noise_ppm": )" +
         std::to_string(noisePpm) + "}}}";
}

double ErrorPpm(const OscillatorSetup& setup, int code, double targetHz) {
  return std::fabs(OscillatorHz(setup, static_cast<uint8_t>(code)) / targetHz - 1.0) * 1e6;
}

// The least error of all 256 codes, by measuring them all as no search could afford to. Two
// codes may tie (a target halfway between them), so a search is judged by its code's error.
double LeastErrorPpm(const OscillatorSetup& setup, double targetHz) {
  double least = ErrorPpm(setup, 0, targetHz);
  for (int code = 1; code < 256; ++code)
    least = std::min(least, ErrorPpm(setup, code, targetHz));
  return least;
}

struct StartedStation {
  explicit StartedStation(const std::string& bench, const std::string& trim = "")
      : station({.bench = bench, .ini = DefaultIni() + "[Trim]\n" + trim}) {
    station.form().StartTrim_Click();
    EXPECT_TRUE(station.form().Verdict().Passed()) << station.form().Verdict().Reason();
    station.TakeTrace();
  }
  AutoTrim& trimmer() { return station.station().AutoTrimmer(); }
  uint8_t StoredByte() { return (*station.sim().Row(kReservedRowAddress))[kTrimByteIndex]; }
  TestStation station;
};

struct Unit {
  double offsetPpm, wobblePpm, noisePpm = 0, targetHz = 32768;
};

// The counter's noise moves a reading by up to noise_ppm: the choice may then differ from the
// noiseless best, but never by more than the noise can explain.
TEST(AutoTrim, FindsTheCodeOfLeastErrorOnEveryUnitWithinItsBudget) {
  // 32800 Hz is 976.6 ppm above nominal: about twelve codes up from a unit with no offset.
  std::vector<Unit> units{{0, 30, 0, 32800}, {2222, 40, 8}};
  for (const double wobble : {0, 20, 45, 60})
    for (const double offset : {-5000, -4321, -2500, -777, -40, 0, 39, 1234, 3333, 4960, 5000})
      units.push_back({offset, wobble});
  int most = 0;
  for (const Unit& u : units) {
    SCOPED_TRACE(::testing::Message() << "offset " << u.offsetPpm << " ppm, wobble " << u.wobblePpm
                                      << ", noise " << u.noisePpm << ", target " << u.targetHz);
    StartedStation unit(
        Bench(u.offsetPpm, u.wobblePpm, u.noisePpm),
        "TolerancePpm=200\nSettleSeconds=0.25\nTargetHz=" + std::to_string(u.targetHz) + "\n");
    unit.trimmer().Run(false);
    const AutoTrimReport& report = unit.trimmer().Report();
    const OscillatorSetup& model = unit.station.sim().OscillatorModel();
    ASSERT_TRUE(report.chosen);
    const int code = report.chosen->code;
    const double slack = u.noisePpm > 0 ? 2 * u.noisePpm + 1 : 1e-6;
    EXPECT_LE(ErrorPpm(model, code, u.targetHz), LeastErrorPpm(model, u.targetHz) + slack);
    EXPECT_NEAR(std::fabs(report.chosen->errorPpm), ErrorPpm(model, code, u.targetHz), slack);
    EXPECT_LE(report.iterations.size(), static_cast<size_t>(kMaxTrimMeasurements));
    EXPECT_TRUE(unit.trimmer().Verdict().Passed()) << unit.trimmer().Verdict().Reason();
    // The bars end on the chosen code, and so does the register; the flash keeps its trim.
    EXPECT_EQ(unit.station.controls().FineAdjust.Value, code);
    EXPECT_EQ(unit.station.controls().GrossAdjust.Value, code);
    EXPECT_EQ(unit.station.sim().ControllerMemory()[kTrimRegister], code);
    EXPECT_EQ(unit.StoredByte(), kTrimMidrange);
    // Each move settles through the station's wait before the counter reads.
    EXPECT_DOUBLE_EQ(unit.station.pump.WaitedSeconds(),
                     0.25 * static_cast<double>(report.iterations.size()));
    most = std::max(most, static_cast<int>(report.iterations.size()));
  }
  RecordProperty("most_measurements", most);
}

// The search moves the bars as a hand would: the same bus lines as the same moves made
// through the window's entry points, nothing before, between or after them.
TEST(AutoTrim, MakesExactlyTheBusTrafficOfTheBarsMovedByHand) {
  StartedStation automatic(Bench(1500, 60));
  automatic.trimmer().Run(false);
  const std::vector<std::string> searched = automatic.station.TakeTrace();

  StartedStation byHand(Bench(1500, 60));
  for (const TrimIteration& iteration : automatic.trimmer().Report().iterations)
    byHand.station.form().MoveFineAdjust(static_cast<int16_t>(iteration.code));
  byHand.station.form().MoveFineAdjust(
      static_cast<int16_t>(automatic.trimmer().Report().chosen->code));
  EXPECT_EQ(searched, byHand.station.TakeTrace());
}

// The stored trim is read back, so a flash that takes the row write but keeps its old bytes
// fails the store.
TEST(AutoTrim, StoresTheChosenTrimAndCatchesAFlashThatKeptItsOldBytes) {
  for (const bool flashKeepsOldBytes : {false, true}) {
    SCOPED_TRACE(flashKeepsOldBytes ? "flash keeps its old bytes" : "flash takes the row");
    StartedStation unit(Bench(-2100, 35));
    if (flashKeepsOldBytes) unit.station.Rule(R"({"op": "WriteSmbusBlock", "status": 0})");
    unit.trimmer().Run(true);
    const ActionVerdict& verdict = unit.trimmer().Verdict();
    EXPECT_EQ(verdict.Passed(), !flashKeepsOldBytes) << verdict.Reason();
    const int stored =
        flashKeepsOldBytes ? kTrimMidrange : 255 - unit.trimmer().Report().chosen.value().code;
    EXPECT_EQ(unit.StoredByte(), stored);
    EXPECT_EQ(unit.trimmer().Report().storedTrimByte, stored);
    if (flashKeepsOldBytes)
      EXPECT_THAT(verdict.Reason(), HasSubstr("byte 30 of the reserved row reads \"80\""));
  }
}

TEST(AutoTrim, AUnitOutOfReachFailsAndStoresNothing) {
  // 12,000 ppm fast: even code 0 leaves it 1,760 ppm off.
  StartedStation unit(Bench(12000, 0));
  unit.trimmer().Run(true);
  const AutoTrimReport& report = unit.trimmer().Report();
  EXPECT_FALSE(unit.trimmer().Verdict().Passed());
  EXPECT_THAT(unit.trimmer().Verdict().Reason(), HasSubstr("cannot be trimmed into tolerance"));
  ASSERT_TRUE(report.chosen);
  EXPECT_EQ(report.chosen->code, 0);
  EXPECT_FALSE(report.withinTolerance);
  EXPECT_FALSE(report.storedTrimByte);
  EXPECT_EQ(unit.StoredByte(), kTrimMidrange);
  EXPECT_THAT(unit.station.TakeTrace(), Each(Not(HasSubstr("WriteSmbusBlock"))));
}

// A cancel after a measurement (through Start and Step), or during a settling wait, stops the
// search with the bars and the register on the last code written, and stores nothing.
TEST(AutoTrim, ACancelStopsTheSearchWithTheBarsOnTheLastCodeWritten) {
  StartedStation unit(Bench(800, 10));
  unit.trimmer().SetProgress([&unit](const TrimIteration&) {
    if (unit.trimmer().Report().iterations.size() == 3) unit.trimmer().Cancel();
  });
  ASSERT_TRUE(unit.trimmer().Start(true));
  int steps = 0;
  while (unit.trimmer().Step())
    ++steps;
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(unit.trimmer().Report().cancelled);
  EXPECT_FALSE(unit.trimmer().Verdict().Passed());
  ASSERT_EQ(unit.trimmer().Report().iterations.size(), 3u);
  EXPECT_EQ(unit.station.controls().FineAdjust.Value, unit.trimmer().Report().iterations[2].code);
  EXPECT_EQ(unit.StoredByte(), kTrimMidrange);

  StartedStation waiting(Bench(800, 10), "SettleSeconds=1\n");
  waiting.station.pump.duringWait = [&waiting] { waiting.trimmer().Cancel(); };
  waiting.trimmer().Run(false);
  EXPECT_TRUE(waiting.trimmer().Report().cancelled);
  EXPECT_TRUE(waiting.trimmer().Report().iterations.empty());
  // The first halving's move was made; the bars and the register stay there.
  EXPECT_NE(waiting.station.controls().FineAdjust.Value, kTrimMidrange);
  EXPECT_EQ(waiting.station.controls().FineAdjust.Value,
            waiting.station.sim().ControllerMemory()[kTrimRegister]);
}

// Without the trim firmware running the counter sees no signal; without a counter the search
// does not begin.
TEST(AutoTrim, FailsSayingWhyWithoutASignalOrWithoutACounter) {
  TestStation station({.bench = Bench(0, 0)});
  AutoTrim& trimmer = station.station().AutoTrimmer();
  trimmer.Run(false);
  EXPECT_FALSE(trimmer.Verdict().Passed());
  EXPECT_THAT(trimmer.Verdict().Reason(), HasSubstr("no signal"));
  EXPECT_FALSE(trimmer.Report().chosen);

  AutoTrim uncounted(station.form(), nullptr, station.pump, TrimSettings{});
  EXPECT_FALSE(uncounted.Start(false));
  EXPECT_FALSE(uncounted.Running());
  EXPECT_THAT(uncounted.Verdict().Reason(), HasSubstr("no frequency counter"));
}

TEST(TrimSettings, ReadsNumbersInRangeAndRefusesOthersNamingTheKey) {
  std::string error;
  for (const std::string line : {"TargetHz=abc", "TargetHz=0", "TolerancePpm=-1",
                                 "SettleSeconds=1s", "CounterTimeoutSeconds=0", "AutoStore=ja"}) {
    TrimSettings settings;
    EXPECT_FALSE(ReadTrimSettings(ProfileFile::Parse("[Trim]\n" + line), settings, error)) << line;
    EXPECT_THAT(error, HasSubstr(line.substr(0, line.find('='))));
  }
  TrimSettings settings;
  ASSERT_TRUE(
      ReadTrimSettings(ProfileFile::Parse("[Trim]\nTargetHz=32000.5\nCounterTimeoutSeconds=0.25\n"),
                       settings, error));
  EXPECT_EQ(settings.targetHz, 32000.5);
  EXPECT_EQ(settings.counterTimeout, std::chrono::milliseconds(250));
  EXPECT_EQ(settings.tolerancePpm, 100.0);
  EXPECT_FALSE(settings.autoStore);
  for (const auto& [line, store] :
       {std::pair{"AutoStore=Yes", true}, std::pair{"AutoStore=1", true},
        std::pair{"AutoStore=off", false}, std::pair{"AutoStore=", false}}) {
    TrimSettings switched;
    ASSERT_TRUE(
        ReadTrimSettings(ProfileFile::Parse(std::string("[Trim]\n") + line), switched, error))
        << line;
    EXPECT_EQ(switched.autoStore, store) << line;
  }
}

}  // namespace
}  // namespace halyard
