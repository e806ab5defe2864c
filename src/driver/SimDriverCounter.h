// The simulated bench's counter when the bench runs as a driver: read through the bench driver's
// own extension (SimDriverExtension.h), so `--counter sim` works on the driver as on the bench.
#pragma once

#include <memory>
#include <string>

#include "counter/FrequencyCounter.h"
#include "driver/DriverHost.h"
#include "driver/SimDriverExtension.h"

namespace halyard {

class SimDriverCounter final : public FrequencyCounter {
 public:
  // The host must outlive the counter.
  SimDriverCounter(DriverHost& host, halyard_sim_measure_oscillator_function measure)
      : host_(host), measure_(measure) {}
  // The driver's name: the instrument is the driver's.
  CounterStatus Identify(std::string& identity, std::string& error) override;
  CounterStatus Measure(double& hz, std::string& error) override;
  const std::string& Description() const override { return description_; }

 private:
  DriverHost& host_;
  halyard_sim_measure_oscillator_function measure_;
  std::string description_{kBackendCounterLine};
};

// The counter over the driver `host` loaded, when its library exports the extension; else null,
// as for any other driver.
std::unique_ptr<FrequencyCounter> MakeSimDriverCounter(DriverHost& host);

}  // namespace halyard
