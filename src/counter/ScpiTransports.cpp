// The SCPI counter's two ways in: a TCP socket (SCPI's raw socket, usually port 5025) and the
// kernel's usbtmc character device. Both are opened at the first query and closed after a
// fault, so that a late answer to a timed-out query is never taken for the next one's; and a
// line that arrives unasked (before a query, or after an answer) is a fault of its own, since
// from then on an answer could be another query's.
#include <fcntl.h>
#include <linux/usb/tmc.h>
#include <netdb.h>
#include <poll.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "counter/ScpiCounter.h"

namespace halyard {

namespace {

using Clock = std::chrono::steady_clock;
// The most stale input read before a query: enough to show what it was; the connection is
// closed after it anyway.
constexpr size_t kMaxStale = 64 * 1024;

std::string SystemError(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

class Descriptor {
 public:
  ~Descriptor() { Close(); }
  void Reset(int fd) {
    Close();
    fd_ = fd;
  }
  void Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
  }
  int Get() const { return fd_; }
  bool Open() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Waits for `events` on `fd` until `deadline`; false when the time ran out or poll failed.
bool WaitFor(int fd, short events, Clock::time_point deadline) {
  for (;;) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) return false;
    pollfd entry{fd, events, 0};
    const int ready = ::poll(&entry, 1, static_cast<int>(left));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
  }
}

// What the transports make of the reader's state once it has one.
CounterStatus Answered(const ScpiAnswerReader& reader, ScpiAnswerReader::State state,
                       std::string& answer, std::string& error) {
  switch (state) {
    case ScpiAnswerReader::State::kAnswer:
      answer = reader.Answer();
      return CounterStatus::kOk;
    case ScpiAnswerReader::State::kTooLong:
      error = "an answer longer than " + std::to_string(kMaxScpiAnswer) + " bytes";
      return CounterStatus::kBadAnswer;
    case ScpiAnswerReader::State::kOutOfTurn:
      error = "the counter sent another line, \"" + PrintableAnswer(reader.Extra()) +
              "\", after its answer \"" + PrintableAnswer(reader.Answer()) + "\"";
      return CounterStatus::kOutOfTurn;
    case ScpiAnswerReader::State::kMore:
      break;
  }
  error = "no whole answer";
  return CounterStatus::kBadAnswer;
}

class TcpTransport final : public ScpiTransport {
 public:
  TcpTransport(std::string host, std::string port, std::chrono::milliseconds timeout)
      : host_(std::move(host)), port_(std::move(port)), timeout_(timeout) {}

  CounterStatus Query(const std::string& query, std::string& answer, std::string& error) override {
    const Clock::time_point deadline = Clock::now() + timeout_;
    std::string stale;
    // An instrument that closed an idle connection is connected to again.
    if (socket_.Open() && !Drain(stale)) socket_.Close();
    if (!socket_.Open() && !Connect(deadline, error)) return CounterStatus::kUnreachable;
    CounterStatus status = CounterStatus::kOutOfTurn;
    if (stale.empty()) {
      status = Exchange(query + "\n", deadline, answer, error);
    } else {
      error = "the counter sent \"" + PrintableAnswer(stale) + "\" before " + query + " was asked";
    }
    if (status != CounterStatus::kOk) socket_.Close();
    return status;
  }
  void Close() override { socket_.Close(); }

 private:
  // Reads what arrived since the last answer, without waiting; false when the counter closed
  // the connection.
  bool Drain(std::string& stale) {
    char buffer[512];
    while (stale.size() < kMaxStale) {
      const ssize_t n = ::recv(socket_.Get(), buffer, sizeof buffer, MSG_DONTWAIT);
      if (n > 0) {
        stale.append(buffer, static_cast<size_t>(n));
        continue;
      }
      if (n < 0 && errno == EINTR) continue;
      return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
  }

  bool Connect(Clock::time_point deadline, std::string& error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (const int rc = ::getaddrinfo(host_.c_str(), port_.c_str(), &hints, &found); rc != 0) {
      error = host_ + ":" + port_ + ": " + ::gai_strerror(rc);
      return false;
    }
    error = host_ + ":" + port_ + ": no address";
    for (addrinfo* at = found; at != nullptr && !socket_.Open(); at = at->ai_next) {
      socket_.Reset(::socket(at->ai_family, at->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
      if (!socket_.Open()) continue;
      int rc = ::connect(socket_.Get(), at->ai_addr, at->ai_addrlen);
      if (rc != 0 && errno == EINPROGRESS && WaitFor(socket_.Get(), POLLOUT, deadline)) {
        socklen_t size = sizeof rc;
        if (::getsockopt(socket_.Get(), SOL_SOCKET, SO_ERROR, &rc, &size) != 0) rc = errno;
        errno = rc;
      } else if (rc != 0 && errno == EINPROGRESS) {
        errno = ETIMEDOUT;
      }
      if (rc != 0) {
        error = SystemError(host_ + ":" + port_);
        socket_.Close();
      }
    }
    ::freeaddrinfo(found);
    return socket_.Open();
  }

  CounterStatus Exchange(const std::string& line, Clock::time_point deadline, std::string& answer,
                         std::string& error) {
    for (size_t sent = 0; sent < line.size();) {
      if (!WaitFor(socket_.Get(), POLLOUT, deadline)) break;
      const ssize_t n = ::send(socket_.Get(), line.data() + sent, line.size() - sent, MSG_NOSIGNAL);
      if (n < 0 && errno != EAGAIN && errno != EINTR) {
        error = SystemError("sending to the counter");
        return CounterStatus::kClosed;
      }
      if (n > 0) sent += static_cast<size_t>(n);
    }
    ScpiAnswerReader reader;
    char buffer[512];
    for (ScpiAnswerReader::State state = ScpiAnswerReader::State::kMore;;) {
      if (state != ScpiAnswerReader::State::kMore) return Answered(reader, state, answer, error);
      if (!WaitFor(socket_.Get(), POLLIN, deadline)) {
        error = "no answer to " + line.substr(0, line.size() - 1) + " within " +
                std::to_string(timeout_.count()) + " ms";
        return CounterStatus::kTimeout;
      }
      const ssize_t n = ::recv(socket_.Get(), buffer, sizeof buffer, 0);
      if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
        error = "the counter closed the connection";
        return CounterStatus::kClosed;
      }
      if (n > 0) state = reader.Take(std::string_view(buffer, static_cast<size_t>(n)));
    }
  }

  std::string host_;
  std::string port_;
  std::chrono::milliseconds timeout_;
  Descriptor socket_;
};

// The usbtmc driver frames each write and read as one USBTMC message and times reads out
// itself, with the timeout set on the device.
class UsbtmcTransport final : public ScpiTransport {
 public:
  UsbtmcTransport(std::string device, std::chrono::milliseconds timeout)
      : device_(std::move(device)), timeout_(timeout) {}

  CounterStatus Query(const std::string& query, std::string& answer, std::string& error) override {
    if (!deviceFd_.Open() && !OpenDevice(error)) return CounterStatus::kUnreachable;
    const std::string line = query + "\n";
    if (::write(deviceFd_.Get(), line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
      error = SystemError(device_ + ": writing " + query);
      deviceFd_.Close();
      return CounterStatus::kClosed;
    }
    std::string buffer(kMaxScpiAnswer + 1, '\0');
    const ssize_t n = ::read(deviceFd_.Get(), buffer.data(), buffer.size());
    if (n <= 0) {
      const bool late = n < 0 && errno == ETIMEDOUT;
      error = late ? "no answer to " + query + " within " + std::to_string(timeout_.count()) + " ms"
                   : SystemError(device_ + ": reading the answer");
      deviceFd_.Close();
      return late ? CounterStatus::kTimeout : CounterStatus::kClosed;
    }
    buffer.resize(static_cast<size_t>(n));
    ScpiAnswerReader reader;
    ScpiAnswerReader::State state = reader.Take(buffer);
    // A message may end without a line end: the driver framed it.
    if (state == ScpiAnswerReader::State::kMore) state = reader.End();
    const CounterStatus status = Answered(reader, state, answer, error);
    if (status != CounterStatus::kOk) deviceFd_.Close();
    return status;
  }

 private:
  bool OpenDevice(std::string& error) {
    deviceFd_.Reset(::open(device_.c_str(), O_RDWR | O_CLOEXEC));
    if (!deviceFd_.Open()) {
      error = SystemError(device_);
      return false;
    }
    __u32 milliseconds = static_cast<__u32>(timeout_.count());
    // Older kernels lack the call and keep their own default (5 s); the query still works.
    ::ioctl(deviceFd_.Get(), USBTMC_IOCTL_SET_TIMEOUT, &milliseconds);
    return true;
  }

  std::string device_;
  std::chrono::milliseconds timeout_;
  Descriptor deviceFd_;
};

}  // namespace

std::unique_ptr<ScpiTransport> MakeTcpTransport(std::string host, std::string port,
                                                std::chrono::milliseconds timeout) {
  return std::make_unique<TcpTransport>(std::move(host), std::move(port), timeout);
}

std::unique_ptr<ScpiTransport> MakeUsbtmcTransport(std::string device,
                                                   std::chrono::milliseconds timeout) {
  return std::make_unique<UsbtmcTransport>(std::move(device), timeout);
}

}  // namespace halyard
