// A SCPI frequency counter behind a line-oriented transport: the query goes out with a newline,
// the answer is one line back. The transports are TCP (SCPI's raw socket) and USBTMC.
#pragma once

#include <chrono>
#include <memory>
#include <string>

#include "counter/FrequencyCounter.h"

namespace halyard {

// The query that configures a frequency measurement and takes it in one go.
inline constexpr const char* kScpiMeasureFrequency = "MEAS:FREQ?";
inline constexpr const char* kScpiIdentify = "*IDN?";

class ScpiTransport {
 public:
  virtual ~ScpiTransport() = default;
  // Sends `query` and reads the answer line (without its line end) within the timeout.
  virtual CounterStatus Query(const std::string& query, std::string& answer,
                              std::string& error) = 0;
  // Lets go of the instrument; the next query reaches it afresh.
  virtual void Close() {}
};

std::unique_ptr<ScpiTransport> MakeTcpTransport(std::string host, std::string port,
                                                std::chrono::milliseconds timeout);
std::unique_ptr<ScpiTransport> MakeUsbtmcTransport(std::string device,
                                                   std::chrono::milliseconds timeout);

// Reads a frequency answer: one number in SCPI's notation ("+3.27680000E+04"), surrounding
// blanks allowed. SCPI's "not a number" (9.91E37) is no signal; anything else is kBadAnswer.
CounterStatus ParseFrequency(const std::string& answer, double& hz, std::string& error);

class ScpiCounter final : public FrequencyCounter {
 public:
  ScpiCounter(std::string description, std::unique_ptr<ScpiTransport> transport)
      : description_(std::move(description)), transport_(std::move(transport)) {}
  CounterStatus Identify(std::string& identity, std::string& error) override;
  CounterStatus Measure(double& hz, std::string& error) override;
  const std::string& Description() const override { return description_; }
  void Release() override { transport_->Close(); }

 private:
  std::string description_;
  std::unique_ptr<ScpiTransport> transport_;
};

}  // namespace halyard
