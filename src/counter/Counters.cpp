// The choice of a counter from its line.
#include <string_view>

#include "counter/FrequencyCounter.h"
#include "counter/ScpiCounter.h"

namespace halyard {

namespace {

constexpr std::string_view kBackendCounter = kBackendCounterLine;
constexpr std::string_view kScpiTcp = "scpi:tcp:";
constexpr std::string_view kScpiDevice = "scpi:/";

// HOST:PORT, the port after the last colon so that a bracketed IPv6 host keeps its own.
bool SplitHostPort(std::string_view text, std::string& host, std::string& port) {
  const size_t colon = text.rfind(':');
  if (colon == std::string_view::npos || colon == 0 || colon + 1 == text.size()) return false;
  host = std::string(text.substr(0, colon));
  port = std::string(text.substr(colon + 1));
  if (host.size() > 2 && host.front() == '[' && host.back() == ']')
    host = host.substr(1, host.size() - 2);
  return port.find_first_not_of("0123456789") == std::string::npos && port.size() <= 5;
}

}  // namespace

bool MakeCounter(CounterRequest request, std::unique_ptr<FrequencyCounter>& counter,
                 std::string& error) {
  counter.reset();
  const std::string_view line = request.counter;
  if (line.empty() || line == kBackendCounter) {
    // None with an empty line: the operator trims by hand.
    if (request.backendCounter == nullptr && !line.empty()) {
      error = "counter sim: the backend has no counter of its own (the simulated bench has one)";
      return false;
    }
    counter = std::move(request.backendCounter);
    return true;
  }
  if (line.starts_with(kScpiTcp)) {
    std::string host;
    std::string port;
    if (!SplitHostPort(line.substr(kScpiTcp.size()), host, port)) {
      error =
          "counter " + request.counter + ": write scpi:tcp:HOST:PORT, e.g. scpi:tcp:10.0.0.7:5025";
      return false;
    }
    counter = std::make_unique<ScpiCounter>(request.counter,
                                            MakeTcpTransport(host, port, request.timeout));
    return true;
  }
  if (line.starts_with(kScpiDevice)) {
    const std::string device(line.substr(kScpiDevice.size() - 1));
    counter = std::make_unique<ScpiCounter>(request.counter,
                                            MakeUsbtmcTransport(device, request.timeout));
    return true;
  }
  error = "counter " + request.counter +
          ": unknown counter (use sim, scpi:tcp:HOST:PORT or scpi:/dev/usbtmcN)";
  return false;
}

}  // namespace halyard
