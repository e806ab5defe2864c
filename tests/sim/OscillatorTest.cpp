// The controller's oscillator on the bench: the frequency the bench file's keys give at each
// trim register value, its ripple and its noise. (No signal without a running trim firmware:
// AutoTrim.WithoutARunningTrimTheCounterSeesNoSignal; programming stops it:
// SimDevices.ControllerProgramsStartsTrimFirmwareAndGuardsItsRowWrite.)
#include "sim/Oscillator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "SimTestFiles.h"
#include "adapter/Protocol.h"

namespace halyard {
namespace {

TEST(Oscillator, TheBenchFileKeysSetTheFrequencyAtEachCode) {
  struct Case {
    const char* oscillator;
    int code;
    double hz;
  };
  const Case cases[] = {
      {"{}", 128, 32768.0},
      {"{}", 129, 32768.0 * (1 + 80e-6)},
      {"{}", 0, 32768.0 * (1 - 128 * 80e-6)},
      {R"({"offset_ppm": -5000})", 128, 32768.0 * (1 - 5000e-6)},
      {R"({"offset_ppm": 1000, "ppm_per_code": 50})", 138, 32768.0 * (1 + 1500e-6)},
      {R"({"nominal_hz": 1e6, "ppm_per_code": -20})", 228, 1e6 * (1 - 2000e-6)},
  };
  for (const Case& c : cases) {
    auto bench = testing::Open(
        std::string(R"({"controller": {"programmed": true, "oscillator": )") + c.oscillator + "}}");
    // Starts the trim firmware and writes the code into the trim register, as the station does.
    EXPECT_EQ(bench->SendSmbusCommand(kCmdTrimStart, kTrimFirmwareDevice), 0);
    EXPECT_EQ(bench->WriteSmbusWord(kCmdMemoryAddress, kTrimRegister, kControllerDevice), 0);
    EXPECT_EQ(bench->WriteSmbusWord(kCmdMemoryWrite, int16_t(c.code), kControllerDevice), 0);
    double hz = 0.0;
    EXPECT_TRUE(bench->MeasureOscillator(hz));
    EXPECT_NEAR(hz, c.hz, 1e-9 * c.hz) << c.oscillator << " " << c.code;
  }
}

TEST(Oscillator, TheRippleIsFixedBoundedAndBreaksTheTrend) {
  OscillatorSetup setup;
  setup.wobblePpm = 60.0;
  setup.ppmPerCode = 10.0;
  OscillatorSetup plain = setup;
  plain.wobblePpm = 0.0;
  int falls = 0;
  double largest = 0.0;
  for (int code = 0; code < 256; ++code) {
    const auto c = static_cast<uint8_t>(code);
    const double ripple = (OscillatorHz(setup, c) - OscillatorHz(plain, c)) / setup.nominalHz * 1e6;
    largest = std::max(largest, std::fabs(ripple));
    if (code > 0 && OscillatorHz(setup, c) < OscillatorHz(setup, static_cast<uint8_t>(code - 1)))
      ++falls;
  }
  EXPECT_LE(largest, 60.0 + 1e-6);
  EXPECT_GT(largest, 55.0);
  EXPECT_GT(falls, 20);  // not monotonic: a search cannot trust the trend alone
}

TEST(Oscillator, NoiseVariesEachMeasurementWithinItsBoundAndRepeatsPerSeed) {
  OscillatorSetup setup;
  setup.noisePpm = 10.0;
  Oscillator first(setup);
  Oscillator again(setup);
  setup.noiseSeed = 2;
  Oscillator other(setup);
  bool differs = false;
  bool seedsDiffer = false;
  double previous = 0.0;
  for (int i = 0; i < 200; ++i) {
    const double hz = first.Measure(128);
    EXPECT_LE(std::fabs(hz / 32768.0 - 1.0) * 1e6, 10.0 + 1e-9);
    EXPECT_EQ(hz, again.Measure(128));
    seedsDiffer = seedsDiffer || hz != other.Measure(128);
    differs = differs || (i > 0 && hz != previous);
    previous = hz;
  }
  EXPECT_TRUE(differs);
  EXPECT_TRUE(seedsDiffer);
}

}  // namespace
}  // namespace halyard
