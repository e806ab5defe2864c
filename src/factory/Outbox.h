// The factory messages on disk until the broker has accepted them: one JSON envelope per line,
// appended (and synced) before the action reports, handed to the publisher in order and removed
// only when accepted. A station killed or restarted finds what was not accepted and sends it
// again; each message's unique id lets a receiver drop a repeat. How many of the file's first
// lines are done is kept beside it (<outbox>.done), so a restart sends those again only when the
// machine lost power before the kernel wrote that down. One process at a time holds an
// outbox (an advisory lock); a message the broker refuses for good moves to <outbox>.rejected for
// a person to read, so that it cannot block those behind it.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace halyard::factory {

struct OutboxEntry {
  uint64_t sequence = 0;  // counts up from 1 for each process; a line's place in the order
  std::string text;       // the envelope, one line of JSON
  size_t line = 0;        // its line in the file, from 0
};

class Outbox {
 public:
  // Opens (or makes) the outbox at `path` and reads what waits in it. A line torn by a crash is
  // moved to <path>.rejected. False, with one line in `error`, when it cannot be opened or another
  // process holds it.
  static bool Open(const std::filesystem::path& path, bool syncEach,
                   std::unique_ptr<Outbox>& outbox, std::string& error);
  ~Outbox();
  Outbox(const Outbox&) = delete;
  Outbox& operator=(const Outbox&) = delete;

  // Writes `messages` in one append; synced before returning unless the outbox syncs in the
  // background (then Sync does it). False, with `error`, when the disk would not take them.
  bool Append(const std::vector<std::string>& messages, std::string& error);
  // Syncs what was appended; the publisher calls it (from its own thread, every tick) when the
  // outbox syncs in the background.
  void Sync();
  // The first message after `sequence` (0: the first of all); false when there is none.
  bool Next(uint64_t after, OutboxEntry& entry) const;
  // The broker accepted the message: it leaves the outbox.
  void Done(uint64_t sequence);
  // The broker refused it for good (`reason`): it moves to <outbox>.rejected.
  void Rejected(uint64_t sequence, const std::string& reason);
  size_t Waiting() const;
  // Blocks until nothing waits or `deadline`; true when nothing waits.
  bool WaitEmpty(std::chrono::steady_clock::time_point deadline) const;
  const std::filesystem::path& Path() const { return path_; }

 private:
  Outbox(std::filesystem::path path, int fd, bool syncEach);
  void Load();
  void Drop(uint64_t sequence);
  void Compact();
  void WriteDone(size_t lines);

  std::filesystem::path path_;
  int fd_ = -1;
  int doneFd_ = -1;  // <outbox>.done
  bool syncEach_ = true;
  mutable std::mutex mutex_;
  mutable std::condition_variable emptied_;
  std::deque<OutboxEntry> waiting_;
  uint64_t nextSequence_ = 1;
  size_t doneLines_ = 0;  // lines of the file whose messages have left the outbox
  size_t fileLines_ = 0;  // lines in the file
  size_t doneMark_ = 0;   // what <outbox>.done says
  bool unsynced_ = false;
};

}  // namespace halyard::factory
