// The outbox file: appended with O_APPEND under a lock of the whole file, emptied by truncation
// when nothing waits, and written anew (a new file renamed over it) when many delivered lines are
// in it.
#include "factory/Outbox.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include <nlohmann/json.hpp>

#include "records/SpoolFile.h"

namespace halyard::factory {

namespace {

// Lines delivered but still in the file before it is written anew: a restart sends them again.
constexpr size_t kCompactAfter = 1000;

// Kept for a person to read; never dropped. Only the station's user reads it.
void KeepRejected(const std::filesystem::path& outbox, const std::string& lines) {
  std::string error;
  records::AppendSynced(outbox.string() + ".rejected", lines, error, 0600);
}

}  // namespace

Outbox::Outbox(std::filesystem::path path, int fd, bool syncEach)
    : path_(std::move(path)), fd_(fd), syncEach_(syncEach) {}

Outbox::~Outbox() {
  Sync();
  if (fd_ >= 0) ::close(fd_);
  if (doneFd_ >= 0) ::close(doneFd_);
}

bool Outbox::Open(const std::filesystem::path& path, bool syncEach, std::unique_ptr<Outbox>& outbox,
                  std::string& error) {
  std::error_code ec;
  if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path(), ec);
  const bool existed = std::filesystem::exists(path, ec);
  // Messages hold the operator's and the unit's names: only the station's user reads them.
  const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = "factory outbox \"" + path.string() + "\": " + std::strerror(errno);
    return false;
  }
  if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    error = "factory outbox \"" + path.string() + "\" is in use by another station process";
    ::close(fd);
    return false;
  }
  if (!existed) records::SyncFolder(path);
  outbox.reset(new Outbox(path, fd, syncEach));
  outbox->Load();
  return true;
}

void Outbox::Load() {
  size_t done = 0;
  std::ifstream(path_.string() + ".done") >> done;
  const std::string donePath = path_.string() + ".done";
  doneFd_ = ::open(donePath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  std::ifstream in(path_, std::ios::binary);
  std::string rejected;
  size_t skipped = 0;
  for (std::string line; std::getline(in, line);) {
    if (line.empty()) continue;
    if (skipped < done) {
      ++skipped;
      continue;
    }
    // A line cut short by a crash is no JSON object; it was never reported as kept.
    if (!nlohmann::json::accept(line)) {
      rejected += line + "\n";
      continue;
    }
    waiting_.push_back({nextSequence_++, std::move(line), fileLines_++});
  }
  if (!rejected.empty()) KeepRejected(path_, rejected);
  doneMark_ = done;
  // Written again with the waiting lines alone, so that the file's lines are what waits.
  if (!rejected.empty() || skipped > 0) Compact();
}

// In place and without a sync: should the kernel lose it, the done lines are sent again, and are
// repeats. A number of fixed width, so that a write never leaves a longer one's tail behind.
void Outbox::WriteDone(size_t lines) {
  if (lines == doneMark_ || doneFd_ < 0) return;
  char text[24];
  std::snprintf(text, sizeof text, "%20zu\n", lines);
  if (::pwrite(doneFd_, text, 21, 0) == 21) doneMark_ = lines;
}

bool Outbox::Append(const std::vector<std::string>& messages, std::string& error) {
  std::string text;
  for (const std::string& message : messages)
    text += message + "\n";
  std::lock_guard lock(mutex_);
  if (!records::WriteAll(fd_, text) || (syncEach_ && ::fdatasync(fd_) != 0)) {
    error = "factory outbox \"" + path_.string() + "\": " + std::strerror(errno);
    return false;
  }
  unsynced_ = !syncEach_;
  for (const std::string& message : messages)
    waiting_.push_back({nextSequence_++, message, fileLines_++});
  return true;
}

// The sync runs outside the lock, so that an append is never held up by it. The file is replaced
// (Compact) only on the publisher's thread, which is the one that syncs.
void Outbox::Sync() {
  int fd = -1;
  {
    std::lock_guard lock(mutex_);
    if (!unsynced_) return;
    unsynced_ = false;
    fd = fd_;
  }
  if (fd >= 0) ::fdatasync(fd);
}

bool Outbox::Next(uint64_t after, OutboxEntry& entry) const {
  std::lock_guard lock(mutex_);
  for (const OutboxEntry& waiting : waiting_) {
    if (waiting.sequence > after) {
      entry = waiting;
      return true;
    }
  }
  return false;
}

void Outbox::Done(uint64_t sequence) {
  std::lock_guard lock(mutex_);
  Drop(sequence);
}

void Outbox::Rejected(uint64_t sequence, const std::string& reason) {
  std::lock_guard lock(mutex_);
  for (const OutboxEntry& entry : waiting_) {
    if (entry.sequence == sequence) KeepRejected(path_, "# " + reason + "\n" + entry.text + "\n");
  }
  Drop(sequence);
}

// The message leaves the file later: when nothing waits the file is emptied, and after many it is
// written anew with what still waits. Until then a restart sends it again, and its id makes it a
// repeat.
void Outbox::Drop(uint64_t sequence) {
  const auto it = std::find_if(waiting_.begin(), waiting_.end(),
                               [sequence](const OutboxEntry& e) { return e.sequence == sequence; });
  if (it == waiting_.end()) return;
  waiting_.erase(it);
  ++doneLines_;
  if (waiting_.empty()) {
    // The mark first: a crash between the two leaves lines to send again, never lines skipped.
    WriteDone(0);
    // O_APPEND writes at the new end.
    if (::ftruncate(fd_, 0) == 0) doneLines_ = fileLines_ = 0;
    emptied_.notify_all();
  } else if (doneLines_ >= kCompactAfter) {
    Compact();
  } else {
    WriteDone(waiting_.front().line);
  }
}

// The waiting lines into a new file renamed over the old one: a crash leaves one or the other.
void Outbox::Compact() {
  const std::string fresh = path_.string() + ".new";
  const int fd = ::open(fresh.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
  if (fd < 0) return;
  std::string text;
  for (const OutboxEntry& entry : waiting_)
    text += entry.text + "\n";
  if (!records::WriteAll(fd, text) || ::fdatasync(fd) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) {
    ::close(fd);
    ::unlink(fresh.c_str());
    return;
  }
  WriteDone(0);  // before the rename, as when the file is emptied
  if (::rename(fresh.c_str(), path_.c_str()) != 0) {
    ::close(fd);
    ::unlink(fresh.c_str());
    return;
  }
  records::SyncFolder(path_);
  ::close(fd_);
  fd_ = fd;
  doneLines_ = 0;
  fileLines_ = 0;
  for (OutboxEntry& entry : waiting_)
    entry.line = fileLines_++;
}

size_t Outbox::Waiting() const {
  std::lock_guard lock(mutex_);
  return waiting_.size();
}

bool Outbox::WaitEmpty(std::chrono::steady_clock::time_point deadline) const {
  std::unique_lock lock(mutex_);
  return emptied_.wait_until(lock, deadline, [this] { return waiting_.empty(); });
}

}  // namespace halyard::factory
