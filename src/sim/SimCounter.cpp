// The bench's counter over its oscillator.
#include "sim/SimCounter.h"

#include "sim/SimulatedAdapter.h"

namespace halyard {

CounterStatus SimCounter::Identify(std::string& identity, std::string& /*error*/) {
  identity = kSimCounterIdentity;
  return CounterStatus::kOk;
}

CounterStatus SimCounter::Measure(double& hz, std::string& error) {
  if (bench_.MeasureOscillator(hz)) return CounterStatus::kOk;
  error = "the controller's oscillator is not running (start the trim first)";
  return CounterStatus::kNoSignal;
}

}  // namespace halyard
