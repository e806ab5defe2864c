// The automatic trim on the bench: against an exhaustive scan of the same oscillator over many
// units, within its measurement budget; the bus traffic of the bars an operator would move; a
// unit out of reach; the store and its read-back; cancelling; the settling wait.
#include <gtest/gtest.h>

#include <cmath>

#include "adapter/Protocol.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using testing::DefaultIni;
using testing::TestStation;

std::string Bench(double offsetPpm, double wobblePpm, double noisePpm = 0.0) {
  return R"({"controller": {"oscillator": {"offset_ppm": )" + std::to_string(offsetPpm) +
         R"(, "wobble_ppm": )" + std::to_string(wobblePpm) + R"(, "noise_ppm": )" +
         std::to_string(noisePpm) + "}}}";
}

std::string Ini(const std::string& trim) {
  return DefaultIni() + "[Trim]\n" + trim;
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
      : station({.bench = bench, .ini = Ini(trim)}) {
    station.form().StartTrim_Click();
    EXPECT_TRUE(station.form().Verdict().Passed()) << station.form().Verdict().Reason();
    station.TakeTrace();
  }
  AutoTrim& trimmer() { return station.station().AutoTrimmer(); }
  uint8_t StoredByte() { return (*station.sim().Row(kReservedRowAddress))[kTrimByteIndex]; }
  TestStation station;
};

TEST(AutoTrim, FindsTheCodeOfLeastErrorOnEveryUnitWithinItsBudget) {
  const double offsets[] = {-5000, -4321, -2500, -777, -40, 0, 39, 1234, 3333, 4960, 5000};
  const double wobbles[] = {0, 20, 45, 60};
  int most = 0;
  for (const double wobble : wobbles) {
    for (const double offset : offsets) {
      SCOPED_TRACE("offset " + std::to_string(offset) + " ppm, wobble " + std::to_string(wobble));
      StartedStation unit(Bench(offset, wobble), "TolerancePpm=200\nTargetHz=32768\n");
      unit.trimmer().Run(false);
      const AutoTrimReport& report = unit.trimmer().Report();
      const OscillatorSetup& model = unit.station.sim().OscillatorModel();
      ASSERT_TRUE(report.chosen);
      const int expected = report.chosen->code;
      EXPECT_NEAR(ErrorPpm(model, expected, 32768.0), LeastErrorPpm(model, 32768.0), 1e-6);
      EXPECT_NEAR(std::fabs(report.chosen->errorPpm), ErrorPpm(model, expected, 32768.0), 1e-6);
      EXPECT_LE(report.iterations.size(), static_cast<size_t>(kMaxTrimMeasurements));
      EXPECT_TRUE(unit.trimmer().Verdict().Passed()) << unit.trimmer().Verdict().Reason();
      // The bars end on the chosen code, and so does the register.
      EXPECT_EQ(unit.station.controls().FineAdjust.Value, expected);
      EXPECT_EQ(unit.station.controls().GrossAdjust.Value, expected);
      EXPECT_EQ(unit.station.sim().ControllerMemory()[kTrimRegister], expected);
      most = std::max(most, static_cast<int>(report.iterations.size()));
    }
  }
  RecordProperty("most_measurements", most);
}

TEST(AutoTrim, ATargetOffNominalIsFoundAsWell) {
  // 32800 Hz is 976.6 ppm above nominal: about twelve codes up from a unit with no offset.
  StartedStation unit(Bench(0, 30), "TargetHz=32800\n");
  unit.trimmer().Run(false);
  ASSERT_TRUE(unit.trimmer().Report().chosen);
  const OscillatorSetup& model = unit.station.sim().OscillatorModel();
  EXPECT_NEAR(ErrorPpm(model, unit.trimmer().Report().chosen->code, 32800.0),
              LeastErrorPpm(model, 32800.0), 1e-6);
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

TEST(AutoTrim, StoresTheShownTrimAndReadsItBack) {
  StartedStation unit(Bench(-2100, 35));
  unit.trimmer().Run(true);
  ASSERT_TRUE(unit.trimmer().Verdict().Passed()) << unit.trimmer().Verdict().Reason();
  const int code = unit.trimmer().Report().chosen->code;
  EXPECT_EQ(unit.StoredByte(), 255 - code);
  EXPECT_EQ(unit.trimmer().Report().storedTrimByte, 255 - code);
}

// A flash that takes the row write but keeps its old bytes is caught by the read-back.
TEST(AutoTrim, AStoreThatDidNotReachTheFlashFailsTheReadBack) {
  StartedStation unit(Bench(-2100, 35));
  unit.station.Rule(R"({"op": "WriteSmbusBlock", "status": 0})");
  unit.trimmer().Run(true);
  EXPECT_FALSE(unit.trimmer().Verdict().Passed());
  EXPECT_NE(unit.trimmer().Verdict().Reason().find("byte 30 of the reserved row reads \"80\""),
            std::string::npos)
      << unit.trimmer().Verdict().Reason();
  EXPECT_EQ(unit.trimmer().Report().storedTrimByte, kTrimMidrange);
}

TEST(AutoTrim, AUnitOutOfReachFailsAndStoresNothing) {
  // 12,000 ppm fast: even code 0 leaves it 1,760 ppm off.
  StartedStation unit(Bench(12000, 0));
  unit.trimmer().Run(true);
  const AutoTrimReport& report = unit.trimmer().Report();
  EXPECT_FALSE(unit.trimmer().Verdict().Passed());
  EXPECT_NE(unit.trimmer().Verdict().Reason().find("cannot be trimmed into tolerance"),
            std::string::npos);
  ASSERT_TRUE(report.chosen);
  EXPECT_EQ(report.chosen->code, 0);
  EXPECT_FALSE(report.withinTolerance);
  EXPECT_FALSE(report.storedTrimByte);
  EXPECT_EQ(unit.StoredByte(), kTrimMidrange);
  for (const std::string& line : unit.station.TakeTrace())
    EXPECT_EQ(line.find("WriteSmbusBlock"), std::string::npos) << line;
}

TEST(AutoTrim, CancellingLeavesTheBarsOnTheLastCodeWritten) {
  StartedStation unit(Bench(800, 10));
  unit.trimmer().SetProgress([&unit](const TrimIteration&) {
    if (unit.trimmer().Report().iterations.size() == 3) unit.trimmer().Cancel();
  });
  ASSERT_TRUE(unit.trimmer().Start(true));
  int steps = 0;
  while (unit.trimmer().Step())
    ++steps;
  const AutoTrimReport& report = unit.trimmer().Report();
  EXPECT_EQ(steps, 3);
  EXPECT_TRUE(report.cancelled);
  EXPECT_FALSE(unit.trimmer().Verdict().Passed());
  ASSERT_EQ(report.iterations.size(), 3u);
  EXPECT_EQ(unit.station.controls().FineAdjust.Value, report.iterations.back().code);
  EXPECT_EQ(unit.StoredByte(), kTrimMidrange);
}

TEST(AutoTrim, ACancelDuringTheSettlingWaitMeasuresNoMore) {
  StartedStation unit(Bench(800, 10), "SettleSeconds=1\n");
  unit.station.pump.duringWait = [&unit] { unit.trimmer().Cancel(); };
  unit.trimmer().Run(false);
  EXPECT_TRUE(unit.trimmer().Report().cancelled);
  EXPECT_TRUE(unit.trimmer().Report().iterations.empty());
  // The first halving's move was made; the bars and the register stay there.
  EXPECT_NE(unit.station.controls().FineAdjust.Value, kTrimMidrange);
  EXPECT_EQ(unit.station.controls().FineAdjust.Value,
            unit.station.sim().ControllerMemory()[kTrimRegister]);
}

TEST(AutoTrim, SettlesAfterEveryMoveThroughTheStationsWait) {
  StartedStation unit(Bench(0, 0), "SettleSeconds=0.25\n");
  unit.trimmer().Run(false);
  EXPECT_DOUBLE_EQ(unit.station.pump.WaitedSeconds(),
                   0.25 * static_cast<double>(unit.trimmer().Report().iterations.size()));
}

TEST(AutoTrim, WithoutARunningTrimTheCounterSeesNoSignal) {
  TestStation station({.bench = Bench(0, 0)});
  AutoTrim& trimmer = station.station().AutoTrimmer();
  trimmer.Run(false);
  EXPECT_FALSE(trimmer.Verdict().Passed());
  EXPECT_NE(trimmer.Verdict().Reason().find("no signal"), std::string::npos)
      << trimmer.Verdict().Reason();
  EXPECT_FALSE(trimmer.Report().chosen);
}

TEST(AutoTrim, WithoutACounterItDoesNotBegin) {
  TestStation station;
  AutoTrim trimmer(station.form(), nullptr, station.pump, TrimSettings{});
  EXPECT_FALSE(trimmer.Start(false));
  EXPECT_FALSE(trimmer.Running());
  EXPECT_NE(trimmer.Verdict().Reason().find("no frequency counter"), std::string::npos);
}

// The counter's noise moves a reading by up to noise_ppm: the choice may then differ from the
// noiseless best, but never by more than the noise can explain.
TEST(AutoTrim, UnderNoiseTheChoiceIsAsGoodAsTheNoiseAllows) {
  StartedStation unit(Bench(2222, 40, 8));
  unit.trimmer().Run(false);
  const OscillatorSetup& model = unit.station.sim().OscillatorModel();
  ASSERT_TRUE(unit.trimmer().Report().chosen);
  EXPECT_LE(ErrorPpm(model, unit.trimmer().Report().chosen->code, 32768.0),
            LeastErrorPpm(model, 32768.0) + 2 * 8 + 1);
}

TEST(TrimSettings, RefusesValuesThatAreNotNumbersInRange) {
  const char* const bad[] = {"TargetHz=abc", "TargetHz=0", "TolerancePpm=-1", "SettleSeconds=1s",
                             "CounterTimeoutSeconds=0"};
  for (const char* line : bad) {
    TrimSettings settings;
    std::string error;
    EXPECT_FALSE(
        ReadTrimSettings(ProfileFile::Parse(std::string("[Trim]\n") + line), settings, error))
        << line;
    EXPECT_NE(error.find(std::string(line).substr(0, std::string(line).find('='))),
              std::string::npos)
        << error;
  }
  TrimSettings settings;
  std::string error;
  ASSERT_TRUE(
      ReadTrimSettings(ProfileFile::Parse("[Trim]\nTargetHz=32000.5\nCounterTimeoutSeconds=0.25\n"),
                       settings, error));
  EXPECT_EQ(settings.targetHz, 32000.5);
  EXPECT_EQ(settings.counterTimeout, std::chrono::milliseconds(250));
  EXPECT_EQ(settings.tolerancePpm, 100.0);
}

}  // namespace
}  // namespace halyard
