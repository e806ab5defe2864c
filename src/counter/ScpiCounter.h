// A SCPI frequency counter behind a line-oriented transport: the query goes out with a newline,
// the answer is one line back. The transports are TCP (SCPI's raw socket) and USBTMC.
#pragma once

#include <chrono>
#include <memory>
#include <string>
#include <string_view>

#include "counter/FrequencyCounter.h"

namespace halyard {

// The query that configures a frequency measurement and takes it in one go.
inline constexpr const char* kScpiMeasureFrequency = "MEAS:FREQ?";
inline constexpr const char* kScpiIdentify = "*IDN?";

class ScpiTransport {
 public:
  virtual ~ScpiTransport() = default;
  // Sends `query` and reads the answer line (without its line end) within the timeout. Input
  // that was waiting before the query, or more than one line in answer, is kOutOfTurn: a line
  // the station did not ask for is never taken for an answer.
  virtual CounterStatus Query(const std::string& query, std::string& answer,
                              std::string& error) = 0;
  // Lets go of the instrument; the next query reaches it afresh.
  virtual void Close() {}
};

// The longest answer taken: a frequency or an identification is far shorter.
inline constexpr size_t kMaxScpiAnswer = 4096;

// Gathers one answer line from the bytes as they arrive.
class ScpiAnswerReader {
 public:
  enum class State {
    kMore,       // no whole line yet
    kAnswer,     // Answer() holds the line, without its line end
    kTooLong,    // more than kMaxScpiAnswer bytes without a line end
    kOutOfTurn,  // bytes followed the line end: another line nobody asked for
  };
  State Take(std::string_view bytes);
  // When the device frames its messages itself (USBTMC): what arrived, without a line end.
  State End();
  const std::string& Answer() const { return answer_; }
  // The bytes after the line end, for the message that refuses them.
  const std::string& Extra() const { return extra_; }

 private:
  std::string answer_;
  std::string extra_;
};

// `text` as a message may show it: printable ASCII, the rest as "?", cut to 120 characters.
std::string PrintableAnswer(std::string_view text);

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
  // The identification is the answer's text; a number is no identification (an answer out of
  // turn) and is refused as kOutOfTurn.
  CounterStatus Identify(std::string& identity, std::string& error) override;
  CounterStatus Measure(double& hz, std::string& error) override;
  const std::string& Description() const override { return description_; }
  void Release() override { transport_->Close(); }

 private:
  std::string description_;
  std::unique_ptr<ScpiTransport> transport_;
};

}  // namespace halyard
