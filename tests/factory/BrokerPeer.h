// The far side of the broker in the factory tests: a receiver that collects what arrives on a
// queue (the MES reading the station's messages), and a stand-in MES that answers unit checks.
// Both run Proton on a thread of their own; the broker is the one tests/factory/amqp-broker.sh
// starts.
#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace halyard::factory::testing {

// The broker's URL, from the handle folder the fixture wrote.
std::string BrokerUrl();
// Stops the broker and starts it again later, keeping its queues: an outage.
void PauseBroker();
void ResumeBroker();

// Collects the envelopes that arrive on `queue` (a durable queue, as the station declares it).
class QueueReader {
 public:
  QueueReader(const std::string& url, const std::string& queue);
  ~QueueReader();
  // Waits until `count` envelopes have arrived in all, or `timeout`; what has arrived.
  std::vector<std::string> Wait(size_t count, std::chrono::milliseconds timeout);

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Answers each ValidateUnitsRequest on `queue`: `decide` gets the unit and gives the answer
// (passed, message), or none to stay silent.
using Decide = std::function<std::optional<std::pair<bool, std::string>>(const std::string& unit)>;
class StandInMes {
 public:
  StandInMes(const std::string& url, const std::string& queue, Decide decide);
  ~StandInMes();
  // Requests seen so far.
  size_t Asked() const;

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

}  // namespace halyard::factory::testing
