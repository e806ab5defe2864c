// The simulated bench's own frequency counter: the one a station on the bench reads when its
// counter line is "sim" or empty, at the controller's oscillator output.
#pragma once

#include <string>

#include "counter/FrequencyCounter.h"

namespace halyard {

class SimulatedAdapter;

// What the bench's counter answers to *IDN?, kept in the records.
inline constexpr const char* kSimCounterIdentity = "HALYARD,SIMULATED COUNTER,0,1";

// Exact apart from the bench's own noise; it reads the bench directly, so no rule or trace line
// sees a measurement. The bench must outlive it.
class SimCounter final : public FrequencyCounter {
 public:
  explicit SimCounter(SimulatedAdapter& bench) : bench_(bench) {}
  CounterStatus Identify(std::string& identity, std::string& error) override;
  CounterStatus Measure(double& hz, std::string& error) override;
  const std::string& Description() const override { return description_; }

 private:
  SimulatedAdapter& bench_;
  std::string description_{kBackendCounterLine};
};

}  // namespace halyard
