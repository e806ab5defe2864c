// The seam between the i2c-dev backend and the kernel: the three calls it makes on a
// /dev/i2c-N device, and the list of such devices. Production calls the C library; the tests
// answer with a fake bus that decodes the kernel's own structures.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace halyard::i2c {

class KernelI2c {
 public:
  virtual ~KernelI2c() = default;
  // A file descriptor, or -errno.
  virtual int Open(const std::string& path) = 0;
  // The ioctl's result (>= 0), or -errno. As <linux/i2c-dev.h> has it, `argument` is a pointer
  // for I2C_FUNCS, I2C_RDWR and I2C_SMBUS, and the value itself for the other requests.
  virtual int Ioctl(int fd, unsigned long request, uintptr_t argument) = 0;
  virtual void Close(int fd) = 0;
  // The i2c-dev devices the kernel has, as paths, in the order of their numbers.
  virtual std::vector<std::string> Adapters() = 0;
};

// The running system's kernel.
std::shared_ptr<KernelI2c> MakeSystemKernelI2c();

}  // namespace halyard::i2c
