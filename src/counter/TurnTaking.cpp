// A counter shared by several processes (the sockets of a line), taken in turns through a lock
// file.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "counter/FrequencyCounter.h"

namespace halyard {

namespace {

class TurnTakingCounter final : public FrequencyCounter {
 public:
  TurnTakingCounter(std::unique_ptr<FrequencyCounter> inner, std::string lockFile)
      : inner_(std::move(inner)), lockFile_(std::move(lockFile)) {}
  ~TurnTakingCounter() override { Release(); }

  CounterStatus Identify(std::string& identity, std::string& error) override {
    return inner_->Identify(identity, error);
  }
  CounterStatus Measure(double& hz, std::string& error) override {
    return inner_->Measure(hz, error);
  }
  const std::string& Description() const override { return inner_->Description(); }

  bool Reserve(std::string& error) override {
    if (lock_ >= 0) return true;
    const int fd = ::open(lockFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
      error = "the counter's lock " + lockFile_ + ": " + std::strerror(errno);
      return false;
    }
    // Waits while another socket's trim holds the counter; the lock goes with its process.
    while (::flock(fd, LOCK_EX) != 0) {
      if (errno == EINTR) continue;
      error = "the counter's lock " + lockFile_ + ": " + std::strerror(errno);
      ::close(fd);
      return false;
    }
    lock_ = fd;
    if (inner_->Reserve(error)) return true;
    Release();
    return false;
  }
  void Release() override {
    if (lock_ < 0) return;
    inner_->Release();
    ::close(lock_);  // closing the file lets go of its lock
    lock_ = -1;
  }

 private:
  std::unique_ptr<FrequencyCounter> inner_;
  std::string lockFile_;
  int lock_ = -1;
};

}  // namespace

std::unique_ptr<FrequencyCounter> TakenInTurns(std::unique_ptr<FrequencyCounter> counter,
                                               std::string lockFile) {
  return std::make_unique<TurnTakingCounter>(std::move(counter), std::move(lockFile));
}

}  // namespace halyard
