// A small SCPI counter for the tests: a thread listening on 127.0.0.1 at a port the kernel
// picks, answering each query line with what the test's handler says: an answer, an answer
// given late, an answer followed by a line nobody asked for, or the connection closed. It stops
// when destroyed, and by itself after its lifetime, so a test that hangs cannot keep it running.
#pragma once

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

namespace halyard::testing {

struct ScpiReply {
  std::string text;                    // sent with a newline
  std::chrono::milliseconds delay{0};  // before it is sent
  bool close = false;                  // close the connection instead of answering
  std::string stray{};                 // a line nobody asked for, after the answer, if not empty
  std::chrono::milliseconds strayDelay{0};  // after the answer; 0: in the same write
};

class ScpiTestServer {
 public:
  using Handler = std::function<ScpiReply(const std::string& query)>;

  explicit ScpiTestServer(Handler handler,
                          std::chrono::milliseconds lifetime = std::chrono::seconds(30))
      : handler_(std::move(handler)), until_(Clock::now() + lifetime) {
    listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (listener_ < 0 || ::bind(listener_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        ::listen(listener_, 4) != 0 ||
        ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
      return;
    }
    port_ = ntohs(address.sin_port);
    thread_ = std::thread([this] { Serve(); });
  }
  ~ScpiTestServer() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    if (listener_ >= 0) ::close(listener_);
  }
  ScpiTestServer(const ScpiTestServer&) = delete;
  ScpiTestServer& operator=(const ScpiTestServer&) = delete;

  int Port() const { return port_; }
  // "scpi:tcp:127.0.0.1:PORT"
  std::string CounterLine() const { return "scpi:tcp:127.0.0.1:" + std::to_string(port_); }
  int Connections() const { return connections_; }
  int Queries() const { return queries_; }
  // Stray lines sent so far, each after its answer.
  int Strays() const { return strays_; }

 private:
  using Clock = std::chrono::steady_clock;
  static constexpr int kTickMs = 20;

  bool Running() const { return !stop_ && Clock::now() < until_; }

  // Sleeps in ticks, so that stopping is never held up by a long delay.
  void Pause(std::chrono::milliseconds delay) {
    const auto end = Clock::now() + delay;
    while (Running() && Clock::now() < end)
      std::this_thread::sleep_for(std::chrono::milliseconds(kTickMs / 4));
  }

  bool Readable(int fd) {
    pollfd entry{fd, POLLIN, 0};
    return ::poll(&entry, 1, kTickMs) > 0;
  }

  void Serve() {
    while (Running()) {
      if (!Readable(listener_)) continue;
      const int client = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
      if (client < 0) continue;
      ++connections_;
      Converse(client);
      ::close(client);
    }
  }

  void Converse(int client) {
    std::string pending;
    char buffer[256];
    while (Running()) {
      if (!Readable(client)) continue;
      const ssize_t n = ::recv(client, buffer, sizeof buffer, 0);
      if (n <= 0) return;
      pending.append(buffer, static_cast<size_t>(n));
      for (size_t end; (end = pending.find('\n')) != std::string::npos;) {
        const std::string query = pending.substr(0, end);
        pending.erase(0, end + 1);
        ++queries_;
        const ScpiReply reply = handler_(query);
        Pause(reply.delay);
        if (reply.close) return;
        std::string line = reply.text + "\n";
        const bool together = !reply.stray.empty() && reply.strayDelay.count() == 0;
        if (together) line += reply.stray + "\n";
        if (::send(client, line.data(), line.size(), MSG_NOSIGNAL) < 0) return;
        if (reply.stray.empty() || together) continue;
        Pause(reply.strayDelay);
        const std::string stray = reply.stray + "\n";
        if (::send(client, stray.data(), stray.size(), MSG_NOSIGNAL) < 0) return;
        ++strays_;
      }
    }
  }

  Handler handler_;
  Clock::time_point until_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stop_{false};
  std::atomic<int> connections_{0};
  std::atomic<int> queries_{0};
  std::atomic<int> strays_{0};
  std::thread thread_;
};

}  // namespace halyard::testing
