// The kernel seam on the running system: open, ioctl and close of the C library, and the
// i2c-dev devices as /sys/class/i2c-dev lists them.
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>

#include "i2c/KernelI2c.h"

namespace halyard::i2c {

namespace {

namespace fs = std::filesystem;

// The N of "i2c-N", or -1 for any other name.
int AdapterNumber(const std::string& name) {
  constexpr std::string_view kPrefix = "i2c-";
  if (!name.starts_with(kPrefix) || name.size() == kPrefix.size()) return -1;
  int number = -1;
  const char* end = name.data() + name.size();
  const auto [ptr, ec] = std::from_chars(name.data() + kPrefix.size(), end, number);
  return ec == std::errc{} && ptr == end ? number : -1;
}

class SystemKernelI2c final : public KernelI2c {
 public:
  int Open(const std::string& path) override {
    const int fd = ::open(path.c_str(), O_RDWR | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
  }
  int Ioctl(int fd, unsigned long request, uintptr_t argument) override {
    const int result = ::ioctl(fd, request, argument);
    return result >= 0 ? result : -errno;
  }
  void Close(int fd) override { ::close(fd); }
  std::vector<std::string> Adapters() override {
    // The class folder lists every i2c-dev adapter even where /dev is populated lazily.
    std::vector<int> numbers;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator("/sys/class/i2c-dev", ec)) {
      const int number = AdapterNumber(entry.path().filename().string());
      if (number >= 0) numbers.push_back(number);
    }
    std::sort(numbers.begin(), numbers.end());
    std::vector<std::string> paths;
    for (int number : numbers)
      paths.push_back("/dev/i2c-" + std::to_string(number));
    return paths;
  }
};

}  // namespace

std::shared_ptr<KernelI2c> MakeSystemKernelI2c() {
  return std::make_shared<SystemKernelI2c>();
}

}  // namespace halyard::i2c
