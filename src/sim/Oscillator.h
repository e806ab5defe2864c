// The controller's oscillator as the trim firmware leaves it running: its frequency follows the
// trim register, with a fixed ripple over the codes and a counter's measurement noise.
#pragma once

#include <cstdint>

namespace halyard {

struct OscillatorSetup {
  double nominalHz = 32768.0;
  double offsetPpm = 0.0;    // the unit's own error at the midrange code 128
  double ppmPerCode = 80.0;  // the trend: frequency rises with the register when positive
  double wobblePpm = 0.0;    // amplitude of a fixed ripple that makes the curve non-monotonic
  double noisePpm = 0.0;     // each measurement is off by up to this much, uniformly
  uint64_t noiseSeed = 1;    // the same seed gives the same measurements
};

// The oscillator's frequency at trim register value `code`, without measurement noise:
// nominal × (1 + (offset + perCode × (code − 128) + ripple(code)) / 1e6).
double OscillatorHz(const OscillatorSetup& setup, uint8_t code);

class Oscillator {
 public:
  explicit Oscillator(const OscillatorSetup& setup) : setup_(setup), state_(setup.noiseSeed) {}
  // One measurement at `code`; advances the noise generator, so repeated measurements differ
  // as a real counter's would, yet every run of a bench sees the same sequence.
  double Measure(uint8_t code);
  const OscillatorSetup& Setup() const { return setup_; }

 private:
  OscillatorSetup setup_;
  uint64_t state_;
};

}  // namespace halyard
