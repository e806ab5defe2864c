// Reading the bench driver's oscillator, its answer checked as any driver's is.
#include "driver/SimDriverCounter.h"

#include <cmath>
#include <cstring>

namespace halyard {

CounterStatus SimDriverCounter::Identify(std::string& identity, std::string& /*error*/) {
  identity = host_.Name();
  return CounterStatus::kOk;
}

CounterStatus SimDriverCounter::Measure(double& hz, std::string& error) {
  double measured = 0.0;
  const int answer = measure_(host_.Handle(), &measured);
  if (answer == 0) {
    error = "the controller's oscillator is not running (start the trim first)";
    return CounterStatus::kNoSignal;
  }
  // A driver is held to its word: a frequency, finite and above zero, or a failure.
  if (answer != 1 || !std::isfinite(measured) || measured <= 0.0) {
    error = host_.Name() + " answered no frequency (" + std::to_string(answer) + ")";
    return CounterStatus::kBadAnswer;
  }
  hz = measured;
  return CounterStatus::kOk;
}

std::unique_ptr<FrequencyCounter> MakeSimDriverCounter(DriverHost& host) {
  void* symbol = host.Symbol(HALYARD_SIM_MEASURE_OSCILLATOR);
  if (symbol == nullptr) return nullptr;
  // dlsym hands out a data pointer; copying its bits is how POSIX turns it into a function's.
  halyard_sim_measure_oscillator_function measure = nullptr;
  std::memcpy(&measure, &symbol, sizeof measure);
  return std::make_unique<SimDriverCounter>(host, measure);
}

}  // namespace halyard
