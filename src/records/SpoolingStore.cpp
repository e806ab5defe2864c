// The spool: append and flush under an advisory lock of a lock file beside it, so stations
// sharing a spool neither lose nor duplicate a line; the spool is replaced by renaming, so a
// crash leaves either the old or the new one.
#include "records/SpoolingStore.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <utility>
#include <vector>

#include "records/RecordFormat.h"
#include "records/Sha256.h"

namespace halyard::records {

namespace {

std::string SystemError(const std::filesystem::path& path, const char* what) {
  return std::string(what) + " \"" + path.string() + "\": " + std::strerror(errno);
}

// An exclusive lock on `<spool>.lock` for the life of the object.
class SpoolLock {
 public:
  explicit SpoolLock(const std::filesystem::path& spool) {
    const std::filesystem::path path = spool.string() + ".lock";
    fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ < 0 || ::flock(fd_, LOCK_EX) != 0) error_ = SystemError(path, "cannot lock");
  }
  ~SpoolLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  SpoolLock(const SpoolLock&) = delete;
  SpoolLock& operator=(const SpoolLock&) = delete;
  const std::string& Error() const { return error_; }

 private:
  int fd_ = -1;
  std::string error_;
};

bool WriteAll(int fd, const std::string& text) {
  for (size_t done = 0; done < text.size();) {
    const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes `text` to `path` (appending or replacing) and syncs it, and the folder when the file
// is new, so that what was reported spooled survives a power cut.
bool SyncedWrite(const std::filesystem::path& path, const std::string& text, bool append,
                 std::string& error) {
  std::error_code ec;
  const bool existed = std::filesystem::exists(path, ec);
  const int flags = O_WRONLY | O_CREAT | O_CLOEXEC | (append ? O_APPEND : O_TRUNC);
  const int fd = ::open(path.c_str(), flags, 0644);
  bool ok = fd >= 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  if (!ok) error = SystemError(path, "cannot write");
  if (fd >= 0) ::close(fd);
  if (ok && !existed) {
    const std::filesystem::path folder = path.parent_path().empty() ? "." : path.parent_path();
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
      ::fsync(dir);
      ::close(dir);
    }
  }
  return ok;
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
  return SyncedWrite(spool_, RecordToJsonLine(record) + "\n", true, error);
}

bool SpoolingStore::Flush(std::string& error) {
  std::error_code ec;
  if (!std::filesystem::exists(spool_, ec)) return true;
  SpoolLock lock(spool_);
  if (!lock.Error().empty()) {
    error = lock.Error();
    return false;
  }
  std::ifstream in(spool_, std::ios::binary);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty()) lines.push_back(std::move(line));
  }
  size_t written = 0;
  std::string rejected;
  for (; written < lines.size(); ++written) {
    Record record;
    std::string reason;
    if (!RecordFromJsonLine(lines[written], record, reason)) {
      // A line torn by a crash while it was appended: kept aside for a person, never dropped.
      rejected += lines[written] + "\n";
      continue;
    }
    if (!store_->Write(record, error)) break;
  }
  if (!rejected.empty() && !SyncedWrite(spool_.string() + ".rejected", rejected, true, error))
    return false;
  if (written == lines.size()) {
    std::filesystem::remove(spool_, ec);  // the next write finds no spool and skips all this
    return true;
  }
  std::string rest;
  for (size_t i = written; i < lines.size(); ++i)
    rest += lines[i] + "\n";
  // A crash before the rename offers the written records again; their ids keep them single.
  const std::filesystem::path fresh = spool_.string() + ".new";
  if (!SyncedWrite(fresh, rest, false, error)) return false;
  std::filesystem::rename(fresh, spool_, ec);
  if (ec) {
    error = "cannot replace \"" + spool_.string() + "\": " + ec.message();
    return false;
  }
  return false;
}

bool SpoolingStore::Write(const Record& record, std::string& error) {
  std::string storeError;
  if (Flush(storeError) && store_->Write(record, storeError)) {
    last_ = WriteOutcome::kStored;
    told_ = false;
    return true;
  }
  if (!Append(record, error)) {
    last_ = WriteOutcome::kLost;
    notice_ =
        "record lost: the store failed (" + storeError + ") and so did the spool (" + error + ")";
    return false;
  }
  last_ = WriteOutcome::kSpooled;
  if (!told_) notice_ = "records spooled: store unreachable (" + storeError + ")";
  told_ = true;
  return true;
}

bool SpoolingStore::List(const RecordFilter& filter, std::vector<Record>& records,
                         std::string& error) {
  return store_->List(filter, records, error);
}

std::string SpoolingStore::TakeNotice() {
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
