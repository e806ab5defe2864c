// The oscillator model and its deterministic measurement noise.
#include "sim/Oscillator.h"

#include <cmath>

namespace halyard {

namespace {

constexpr double kPpm = 1e6;
constexpr int kMidCode = 128;
// The golden angle in radians: irrational, so the ripple never repeats over the 256 codes and
// neighbouring codes land on unrelated phases.
constexpr double kRippleStep = 2.399963229728653;

// splitmix64: a tiny generator whose sequence is the same on every platform and library, which
// the standard distributions do not promise.
uint64_t NextRandom(uint64_t& state) {
  uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
  z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
  z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
  return z ^ (z >> 31);
}

}  // namespace

double OscillatorHz(const OscillatorSetup& setup, uint8_t code) {
  const double ripple = setup.wobblePpm * std::sin(code * kRippleStep);
  const double ppm = setup.offsetPpm + setup.ppmPerCode * (code - kMidCode) + ripple;
  return setup.nominalHz * (1.0 + ppm / kPpm);
}

double Oscillator::Measure(uint8_t code) {
  // 53 random bits give a uniform number in [0, 1), mapped onto [-1, 1).
  const double unit = static_cast<double>(NextRandom(state_) >> 11) * 0x1.0p-53;
  const double noise = setup_.noisePpm * (2.0 * unit - 1.0);
  return OscillatorHz(setup_, code) * (1.0 + noise / kPpm);
}

}  // namespace halyard
