// Bounded reads of regular files and atomic replacement, on POSIX calls so the file's kind is
// checked on the opened descriptor and opening a FIFO does not wait for a writer.
#include "sim/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

namespace halyard {
namespace {

// Closes the descriptor when the read or write ends, whichever way.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int Get() const { return fd_; }
  int Release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

std::string MiB(size_t bytes) {
  return std::to_string(bytes / (1024 * 1024)) + " MiB";
}

bool WriteAll(int fd, std::string_view text) {
  while (!text.empty()) {
    const ssize_t n = ::write(fd, text.data(), text.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    text.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

}  // namespace

FileRead ReadTextFile(const std::filesystem::path& path, size_t maxBytes, std::string& text,
                      std::string& reason) {
  if (path.empty()) {
    reason = "empty path";
    return FileRead::kRefused;
  }
  Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.Get() < 0) {
    if (errno == ENOENT) {
      reason = "no such file";
      return FileRead::kMissing;
    }
    reason = std::string("cannot be opened: ") + std::strerror(errno);
    return FileRead::kRefused;
  }
  struct stat info {};
  if (::fstat(fd.Get(), &info) != 0 || !S_ISREG(info.st_mode)) {
    reason = S_ISDIR(info.st_mode) ? "is a folder, not a file" : "is not a regular file";
    return FileRead::kRefused;
  }
  if (static_cast<uintmax_t>(info.st_size) > maxBytes) {
    reason = "is larger than " + MiB(maxBytes);
    return FileRead::kRefused;
  }
  std::string contents(static_cast<size_t>(info.st_size), '\0');
  size_t got = 0;
  // A file that grows while it is read is cut at the bound and refused, never read on.
  while (true) {
    if (got == contents.size()) contents.resize(std::min(maxBytes + 1, got + 4096 + got / 2));
    const ssize_t n = ::read(fd.Get(), contents.data() + got, contents.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      reason = std::string("cannot be read: ") + std::strerror(errno);
      return FileRead::kRefused;
    }
    if (n == 0) break;
    got += static_cast<size_t>(n);
    if (got > maxBytes) {
      reason = "is larger than " + MiB(maxBytes);
      return FileRead::kRefused;
    }
  }
  contents.resize(got);
  text = std::move(contents);
  return FileRead::kOk;
}

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view text,
                         std::string& error) {
  // Same folder as the target, so the rename never crosses file systems.
  std::filesystem::path temp = path;
  temp += ".tmp";
  Descriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644));
  if (fd.Get() < 0) {
    error = temp.string() + ": cannot be created: " + std::strerror(errno);
    return false;
  }
  const bool written = WriteAll(fd.Get(), text) && ::fsync(fd.Get()) == 0;
  const int savedErrno = errno;
  const bool closed = ::close(fd.Release()) == 0;
  if (!written || !closed) {
    ::unlink(temp.c_str());
    error = temp.string() + ": cannot be written: " + std::strerror(written ? errno : savedErrno);
    return false;
  }
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    error = path.string() + ": cannot be replaced: " + std::strerror(errno);
    ::unlink(temp.c_str());
    return false;
  }
  return true;
}

}  // namespace halyard
