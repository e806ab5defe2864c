// Checking and opening the spool's files, and reading the spool a line at a time.
#include "records/SpoolFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace halyard::records {

namespace {

// What a file that is not a regular one is, for the line that refuses it.
const char* KindOf(mode_t mode) {
  if (S_ISLNK(mode)) return "a symbolic link";
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
  if (S_ISDIR(mode)) return "a folder";
  if (S_ISSOCK(mode)) return "a socket";
  return "no regular file";
}

std::string NotRegular(const std::filesystem::path& path, mode_t mode) {
  return "\"" + path.string() + "\" is " + KindOf(mode) + ", not a regular file";
}

}  // namespace

bool WriteAll(int fd, std::string_view text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

std::string FileError(const std::filesystem::path& path, const char* what) {
  return std::string(what) + " \"" + path.string() + "\": " + std::strerror(errno);
}

int OpenRegularFile(const std::filesystem::path& path, int flags, std::string& error,
                    unsigned mode) {
  struct stat status {};
  if (::lstat(path.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) {
      error = NotRegular(path, status.st_mode);
      errno = EINVAL;
      return -1;
    }
  } else if (errno != ENOENT || (flags & O_CREAT) == 0) {
    error = FileError(path, "cannot open");
    return -1;
  }
  // O_NONBLOCK: a FIFO put there since the look above is opened without waiting, then refused.
  const int fd = ::open(path.c_str(), flags | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, mode);
  if (fd < 0) {
    error = FileError(path, "cannot open");
    return -1;
  }
  if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
    error = NotRegular(path, status.st_mode);
    ::close(fd);
    errno = EINVAL;
    return -1;
  }
  return fd;
}

void SyncFolder(const std::filesystem::path& path) {
  const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
  const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dir < 0) return;
  ::fsync(dir);
  ::close(dir);
}

bool AppendSynced(const std::filesystem::path& path, std::string_view text, std::string& error,
                  unsigned mode) {
  const bool existed = ::access(path.c_str(), F_OK) == 0;
  const int fd = OpenRegularFile(path, O_WRONLY | O_APPEND | O_CREAT, error, mode);
  if (fd < 0) return false;
  const bool written = WriteAll(fd, text) && ::fsync(fd) == 0;
  if (!written) error = FileError(path, "cannot write");
  ::close(fd);
  if (written && !existed) SyncFolder(path);
  return written;
}

bool CheckSpoolPath(const std::filesystem::path& path, std::string& error) {
  for (const std::filesystem::path& file : {path, std::filesystem::path(path.string() + ".lock")}) {
    struct stat status {};
    if (::lstat(file.c_str(), &status) != 0) {
      // Not there (or its folder not yet): made with the first record that needs it.
      if (errno == ENOENT || errno == ENOTDIR) continue;
      error = "spool: " + FileError(file, "cannot look at");
      return false;
    }
    if (!S_ISREG(status.st_mode)) {
      error = "spool " + NotRegular(file, status.st_mode);
      return false;
    }
    std::string reason;
    const int fd = OpenRegularFile(file, O_RDWR, reason);
    if (fd < 0) {
      error = "spool \"" + file.string() + "\" cannot be read and written (" +
              std::strerror(errno) + "); what it holds is left as it is";
      return false;
    }
    ::close(fd);
  }
  return true;
}

SpoolLineReader::SpoolLineReader(Read read, size_t maxLine, size_t chunk)
    : read_(std::move(read)),
      maxLine_(std::max<size_t>(maxLine, 1)),
      chunk_(std::max<size_t>(chunk, 1)) {}

SpoolLineReader::Piece SpoolLineReader::Take(size_t length, size_t skip, Piece piece, bool ends,
                                             std::string& text, bool& end) {
  text.assign(buffer_, position_, length);
  position_ += length + skip;
  end = ends;
  if (ends) inLongLine_ = false;
  return piece;
}

bool SpoolLineReader::Refill() {
  buffer_.erase(0, position_);
  base_ += position_;
  searched_ -= std::min(searched_, position_);
  position_ = 0;
  const size_t had = buffer_.size();
  buffer_.resize(had + chunk_);
  const long got = read_(buffer_.data() + had, chunk_);
  buffer_.resize(had + static_cast<size_t>(std::max(got, 0L)));
  if (got < 0) failed_ = true;
  if (got == 0) atEnd_ = true;
  return got > 0;
}

SpoolLineReader::Piece SpoolLineReader::Next(std::string& text, bool& ends) {
  for (;;) {
    // Bytes already searched hold no line end: a long line is not searched again at each read.
    const size_t newline = buffer_.find('\n', std::max(position_, searched_));
    searched_ = newline == std::string::npos ? buffer_.size() : newline;
    const bool found = newline != std::string::npos;
    const size_t available = (found ? newline : buffer_.size()) - position_;
    if (!inLongLine_ && available > maxLine_) {
      inLongLine_ = true;
      lineStart_ = base_ + position_;
    }
    if (!inLongLine_ && (found || (atEnd_ && available > 0))) {
      lineStart_ = base_ + position_;
      return Take(available, found ? 1 : 0, Piece::kLine, true, text, ends);
    }
    // A part ends the line only when its end is seen: whatever the reads' sizes, a line is cut
    // at the same places.
    if (inLongLine_ && available > maxLine_)
      return Take(maxLine_, 0, Piece::kPart, false, text, ends);
    if (inLongLine_ && (found || atEnd_))
      return Take(available, found ? 1 : 0, Piece::kPart, true, text, ends);
    if (failed_) return Piece::kError;
    if (atEnd_) return Piece::kEnd;
    Refill();
  }
}

}  // namespace halyard::records
