// The spool: append and flush under an advisory lock of a lock file beside it, so stations
// sharing a spool neither lose nor duplicate a line; the spool is read a line at a time and
// replaced by renaming, so a crash leaves either the old or the new one, and it is removed only
// once every line of it has been written to the store or set aside.
#include "records/SpoolingStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

#include "records/RecordFormat.h"
#include "records/Sha256.h"
#include "records/SpoolFile.h"
#include "records/StoreName.h"

namespace halyard::records {

namespace {

// A descriptor closed at the end of its scope.
class SpoolDescriptor {
 public:
  explicit SpoolDescriptor(int fd = -1) : fd_(fd) {}
  ~SpoolDescriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  SpoolDescriptor(const SpoolDescriptor&) = delete;
  SpoolDescriptor& operator=(const SpoolDescriptor&) = delete;
  void Reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
  }
  int Get() const { return fd_; }

 private:
  int fd_;
};

// An exclusive lock on `<spool>.lock` for the life of the object.
class SpoolLock {
 public:
  explicit SpoolLock(const std::filesystem::path& spool) {
    const std::filesystem::path path = spool.string() + ".lock";
    fd_.Reset(OpenRegularFile(path, O_RDWR | O_CREAT, error_));
    if (fd_.Get() >= 0 && ::flock(fd_.Get(), LOCK_EX) != 0) error_ = FileError(path, "cannot lock");
  }
  const std::string& Error() const { return error_; }

 private:
  SpoolDescriptor fd_;
  std::string error_;
};

long ReadSome(int fd, char* buffer, size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd, buffer, size);
    if (n >= 0 || errno != EINTR) return static_cast<long>(n);
  }
}

}  // namespace

SpoolingStore::SpoolingStore(std::unique_ptr<RecordStore> store, std::filesystem::path spool)
    : store_(std::move(store)), spool_(std::move(spool)) {}

bool SpoolingStore::Append(const Record& record, std::string& error) {
  std::error_code ec;
  if (spool_.has_parent_path()) std::filesystem::create_directories(spool_.parent_path(), ec);
  SpoolLock lock(spool_);
  if (!lock.Error().empty()) {
    error = lock.Error();
    return false;
  }
  return AppendSynced(spool_, RecordToJsonLine(record) + "\n", error);
}

SpoolingStore::Flushed SpoolingStore::WriteLines(int fd, uint64_t& rest, bool& storeFailed,
                                                 std::string& error) {
  SpoolLineReader reader([fd](char* buffer, size_t size) { return ReadSome(fd, buffer, size); });
  const std::filesystem::path rejectedPath = spool_.string() + ".rejected";
  SpoolDescriptor rejected;
  std::string line;
  bool ends = false;
  for (SpoolLineReader::Piece piece;
       (piece = reader.Next(line, ends)) != SpoolLineReader::Piece::kEnd;) {
    if (piece == SpoolLineReader::Piece::kError) {
      error = FileError(spool_, "cannot read");
      return Flushed::kSpoolFailed;
    }
    if (piece == SpoolLineReader::Piece::kLine) {
      Record record;
      std::string reason;
      if (line.empty()) continue;
      if (RecordFromJsonLine(line, record, reason)) {
        if (store_->Write(record, error)) continue;
        rest = reader.LineStart();
        storeFailed = true;
        break;
      }
    }
    // A line torn by a crash while it was appended, or one longer than any record: kept aside
    // for a person, never dropped.
    if (rejected.Get() < 0)
      rejected.Reset(OpenRegularFile(rejectedPath, O_WRONLY | O_APPEND | O_CREAT, error));
    if (rejected.Get() < 0 || !WriteAll(rejected.Get(), line) ||
        (ends && !WriteAll(rejected.Get(), "\n"))) {
      if (rejected.Get() >= 0) error = FileError(rejectedPath, "cannot write");
      return Flushed::kSpoolFailed;
    }
  }
  if (rejected.Get() >= 0 && ::fsync(rejected.Get()) != 0) {
    error = FileError(rejectedPath, "cannot write");
    return Flushed::kSpoolFailed;
  }
  return storeFailed ? Flushed::kStoreFailed : Flushed::kAll;
}

// The spool's bytes from `rest` on, into a fresh file that then replaces the spool. A crash
// before the rename offers the written records again; their ids keep them single.
bool SpoolingStore::KeepRest(int fd, uint64_t rest, std::string& error) {
  const std::filesystem::path fresh = spool_.string() + ".new";
  SpoolDescriptor out(OpenRegularFile(fresh, O_WRONLY | O_CREAT | O_TRUNC, error));
  if (out.Get() < 0) return false;
  std::string buffer(size_t{64} << 10, '\0');
  for (auto at = static_cast<off_t>(rest);;) {
    const ssize_t n = ::pread(fd, buffer.data(), buffer.size(), at);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = FileError(spool_, "cannot read");
      return false;
    }
    if (n == 0) break;
    if (!WriteAll(out.Get(), std::string_view(buffer.data(), static_cast<size_t>(n)))) {
      error = FileError(fresh, "cannot write");
      return false;
    }
    at += n;
  }
  if (::fsync(out.Get()) != 0 || ::rename(fresh.c_str(), spool_.c_str()) != 0) {
    error = FileError(spool_, "cannot replace");
    return false;
  }
  SyncFolder(spool_);
  return true;
}

SpoolingStore::Flushed SpoolingStore::FlushSpool(std::string& error) {
  struct stat status {};
  if (::lstat(spool_.c_str(), &status) != 0 && (errno == ENOENT || errno == ENOTDIR))
    return Flushed::kAll;  // nothing spooled: the usual case, without taking the lock
  SpoolLock lock(spool_);
  if (!lock.Error().empty()) {
    error = lock.Error();
    return Flushed::kSpoolFailed;
  }
  SpoolDescriptor fd(OpenRegularFile(spool_, O_RDONLY, error));
  if (fd.Get() < 0) return errno == ENOENT ? Flushed::kAll : Flushed::kSpoolFailed;
  uint64_t rest = 0;
  bool storeFailed = false;
  const Flushed flushed = WriteLines(fd.Get(), rest, storeFailed, error);
  if (flushed == Flushed::kStoreFailed) {
    std::string keeping;  // when the rest cannot be kept apart, the spool stays whole
    KeepRest(fd.Get(), rest, keeping);
  }
  if (flushed != Flushed::kAll) return flushed;
  // Every line is in the store or set aside. The spool is removed only if it is still the file
  // that was read: a file put in its place since is not this station's to remove.
  struct stat opened {};
  if (::fstat(fd.Get(), &opened) == 0 && ::lstat(spool_.c_str(), &status) == 0 &&
      opened.st_dev == status.st_dev && opened.st_ino == status.st_ino &&
      ::unlink(spool_.c_str()) == 0)
    SyncFolder(spool_);
  return Flushed::kAll;
}

bool SpoolingStore::Flush(std::string& error) {
  return FlushSpool(error) == Flushed::kAll;
}

bool SpoolingStore::Write(const Record& record, std::string& error) {
  std::string storeError;
  const Flushed flushed = FlushSpool(storeError);
  if (flushed == Flushed::kSpoolFailed && !toldUnreadable_) {
    notice_ = {kNoticeSpoolFault,
               OneLine("records spool \"" + spool_.string() + "\" cannot be read back (" +
                       storeError + "); what it holds stays in it")};
  }
  toldUnreadable_ = flushed == Flushed::kSpoolFailed;
  if (flushed != Flushed::kStoreFailed && store_->Write(record, storeError)) {
    last_ = WriteOutcome::kStored;
    lastError_.clear();
    told_ = false;
    return true;
  }
  lastError_ = storeError;
  if (!Append(record, error)) {
    last_ = WriteOutcome::kLost;
    lastError_ += "; the spool: " + error;
    notice_ = {kNoticeLost, OneLine("record lost: the store failed (" + storeError +
                                    ") and so did the spool (" + error + ")")};
    return false;
  }
  last_ = WriteOutcome::kSpooled;
  if (!told_ && notice_.key.empty()) {
    notice_ = {kNoticeSpooled, OneLine("records spooled: store unreachable (" + storeError + ")")};
    told_ = true;
  }
  return true;
}

RecordNotice SpoolingStore::TakeNotice() {
  return std::exchange(notice_, {});
}

std::filesystem::path StateFolder() {
  std::filesystem::path state;
  if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg != nullptr && *xdg == '/') {
    state = xdg;
  } else if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
    state = std::filesystem::path(home) / ".local" / "state";
  } else {
    state = std::filesystem::temp_directory_path();
  }
  return state / "halyard-station";
}

std::filesystem::path DefaultSpoolPath(const std::string& storeName) {
  return StateFolder() / ("records-" + Sha256Hex(storeName).substr(0, 16) + ".spool");
}

}  // namespace halyard::records
