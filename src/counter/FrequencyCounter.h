// The frequency counter the automatic trim reads the controller's oscillator with: the adapter
// backend's own counter, or a SCPI instrument over TCP or the kernel's USBTMC device. Chosen like
// the adapter backend, from one line:
//   sim                      the backend's own counter (the simulated bench has one, in this
//                            process or as a driver)
//   scpi:tcp:HOST:PORT       a SCPI counter on the network (5025 is the usual port)
//   scpi:/dev/usbtmcN        a SCPI counter on USB, through the kernel's usbtmc driver
#pragma once

#include <chrono>
#include <memory>
#include <string>

namespace halyard {

// The line that names the backend's own counter, and that counter's description. Only the
// simulated bench has one so far, hence the name the operators know.
inline constexpr const char* kBackendCounterLine = "sim";

enum class CounterStatus {
  kOk,
  kNoSignal,     // the counter saw nothing to count (no input, or the trim firmware not running)
  kTimeout,      // no whole answer in time
  kClosed,       // the instrument closed the connection
  kBadAnswer,    // an answer that is not a frequency
  kUnreachable,  // could not connect or open the device
  // A line nobody asked for (stale input before a query, a second line after an answer, an
  // answer of the wrong kind): the answers can no longer be matched to the queries.
  kOutOfTurn,
};

// "no signal", "timeout", ...: for verdicts and messages.
const char* CounterStatusText(CounterStatus status);

class FrequencyCounter {
 public:
  virtual ~FrequencyCounter() = default;
  // The instrument's identification (SCPI *IDN?), kept in the records.
  virtual CounterStatus Identify(std::string& identity, std::string& error) = 0;
  // One frequency measurement in hertz; `error` says what went wrong otherwise.
  virtual CounterStatus Measure(double& hz, std::string& error) = 0;
  // The line it was chosen with, e.g. "scpi:tcp:127.0.0.1:5025".
  virtual const std::string& Description() const = 0;
  // An automatic trim holds the counter from Reserve to Release: a counter several sockets
  // share is one trim's at a time, and the others wait in Reserve. False, with the reason, when
  // it cannot be had. Release also lets go of the instrument's connection, so that the next
  // socket's station can reach an instrument that takes one connection at a time.
  virtual bool Reserve(std::string& /*error*/) { return true; }
  virtual void Release() {}
};

// The same counter taken in turns by every process that names `lockFile`: Reserve waits for an
// exclusive lock on that file (held until Release, or until the process ends).
std::unique_ptr<FrequencyCounter> TakenInTurns(std::unique_ptr<FrequencyCounter> counter,
                                               std::string lockFile);

struct CounterRequest {
  std::string counter;  // as above; empty: the backend's own when it has one, else none
  std::unique_ptr<FrequencyCounter> backendCounter;  // the backend's own, if it has one
  std::chrono::milliseconds timeout{5000};           // for each answer of an instrument
};

// False, with one line naming the counter and the reason in `error`, for a line that cannot
// name a counter here. Instruments are reached at the first query, not now, so a station starts
// while its counter is still switched off. An empty line on a backend without a counter of its
// own leaves `counter` null. The backend's counter is handed on or, for another line, dropped.
bool MakeCounter(CounterRequest request, std::unique_ptr<FrequencyCounter>& counter,
                 std::string& error);

}  // namespace halyard
