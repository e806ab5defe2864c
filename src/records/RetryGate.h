// When to try a store again after it failed: not before a wait that doubles with each failure
// in a row, up to a longest wait, so that during an outage a record is spooled at once instead
// of paying the connection's wait again for every record.
#pragma once

#include <algorithm>
#include <chrono>

namespace halyard::records {

class RetryGate {
 public:
  using Clock = std::chrono::steady_clock;
  struct Settings {
    Clock::duration first = std::chrono::seconds(1);
    Clock::duration longest = std::chrono::seconds(30);
  };

  explicit RetryGate(Settings settings) : settings_(settings) {}

  bool Due(Clock::time_point now) const { return now >= next_; }
  // How long until Due, from `now`.
  Clock::duration Left(Clock::time_point now) const {
    return next_ > now ? next_ - now : Clock::duration::zero();
  }
  void Failed(Clock::time_point now) {
    wait_ =
        wait_ == Clock::duration::zero() ? settings_.first : std::min(wait_ * 2, settings_.longest);
    next_ = now + wait_;
  }
  void Succeeded() {
    wait_ = Clock::duration::zero();
    next_ = Clock::time_point::min();
  }

 private:
  Settings settings_;
  Clock::duration wait_ = Clock::duration::zero();
  Clock::time_point next_ = Clock::time_point::min();
};

}  // namespace halyard::records
