// A kernel for the i2c-dev backend's tests: it answers open, ioctl and close as the kernel's
// i2c-dev interface does, decoding the kernel's own structures, and carries each transfer to a
// simulated bench behind it, with the 7-bit addresses turned back into the station's 8-bit ones.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "i2c/KernelI2c.h"
#include "sim/SimulatedAdapter.h"

namespace halyard::testing {

class FakeKernelBus final : public i2c::KernelI2c {
 public:
  explicit FakeKernelBus(const std::string& benchJson = "{}");

  int Open(const std::string& path) override;
  int Ioctl(int fd, unsigned long request, uintptr_t argument) override;
  void Close(int fd) override;
  std::vector<std::string> Adapters() override { return adapters; }

  SimulatedAdapter& Bench() { return *bench_; }

  // What the kernel and the adapter offer.
  std::vector<std::string> adapters{"/dev/i2c-0", "/dev/i2c-1"};
  unsigned long functions;  // every function the backend may ask for
  std::set<int> claimed;    // 7-bit addresses a kernel driver owns (I2C_SLAVE answers EBUSY)
  // 7-bit address -> the station's device behind it.
  std::map<int, int> devices{{0x0B, 0x16}, {0x0C, 0x17}, {0x50, 0xA0}};
  int failNext = 0;  // errno the next transfer answers instead of reaching the bench

  // One line per ioctl that reached the fake, e.g. "SLAVE 0x0B", "SMBUS write WORD_DATA 0x09".
  std::vector<std::string> log;
  std::set<int> openFds;  // i2c-dev files open now

 private:
  int Smbus(int fd, uintptr_t argument);
  int Transfer(uintptr_t argument);
  // The bench's status as the kernel would report it.
  static int ErrorOf(int16_t status);

  std::unique_ptr<SimulatedAdapter> bench_;
  std::map<int, int> selected_;  // fd -> 7-bit address
  int nextFd_ = 3;
};

}  // namespace halyard::testing
