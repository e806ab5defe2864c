// The line's supervisor: one worker process per socket, each unit scanned for a socket handed to
// its worker with the sequence, and what happens reported to whoever shows the line (the
// window's line view, halyardctl line). A worker that dies or hangs fails its unit, which is
// recorded with the reason, and is started again; the other sockets never stop. The supervisor
// runs on a thread of its own; every call here may come from any thread.
#pragma once

#include <poll.h>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "line/LineConfig.h"

namespace halyard::line {

using LineClock = std::chrono::steady_clock;

enum class SocketState {
  kStarting,    // its worker is starting; no unit yet
  kReady,       // waiting for a unit
  kTesting,     // running the sequence for a unit
  kRestarting,  // its worker died or hung and is being started again
  kDown,        // its worker could not start (no adapter); tried again every few seconds
};
const char* SocketStateName(SocketState state);

// The lock file through which the sockets sharing the counter named `counter` take turns.
std::filesystem::path CounterLockFile(const std::filesystem::path& folder,
                                      const std::string& counter);

// What a display shows of one socket.
struct SocketView {
  std::string name;
  SocketState state = SocketState::kStarting;
  std::string adapter;            // "sim HALYARD-SIM0", once ready, as records name it
  std::string unit;               // being tested, else the last one
  std::string step;               // running
  LineClock::time_point since{};  // when the unit began
  std::string lastVerdict;        // of the last unit that ended: "passed", "failed", ""
  std::string reason;             // why it is down or restarting, or why the last unit failed
  size_t queued = 0;              // units waiting for it
};

struct ActionOutcome {
  std::string step;
  std::string verdict;
};

// A unit that ended on a socket: what halyardctl line prints as one JSON line.
struct UnitReport {
  std::string socket;
  std::string unit;
  std::string verdict;  // "passed" or "failed"
  std::string reason;   // the first failure: "<step>: <reason>"
  std::vector<ActionOutcome> actions;
  double seconds = 0.0;
};

struct SupervisorSetup {
  LineConfig line;
  std::filesystem::path workerProgram;  // halyardctl, run as "halyardctl serve ..."
  std::string recordsStore;             // empty: nothing is recorded
  std::filesystem::path spool;
  std::string operatorName;
  bool noWait = false;                      // the workers' waits end at once (tests)
  std::filesystem::path counterLockFolder;  // where a shared counter's lock lives
};

// The line of the configuration file at `configPath` (ReadLineConfig), run by `workerProgram`,
// its records going to `recordsStore` (none: the configuration's, as the station's window would
// keep them), a shared counter's lock in the temporary folder. The rest of `setup` is left as it
// is. False with one line when there is no line to run.
bool ReadSupervisorSetup(const std::filesystem::path& configPath,
                         const std::filesystem::path& workerProgram,
                         const std::optional<std::string>& recordsStore, SupervisorSetup& setup,
                         std::string& error);

class Supervisor {
 public:
  struct Listener {
    std::function<void(size_t socket)> socketChanged;  // its SocketView changed
    std::function<void(const UnitReport&)> unitEnded;
  };

  explicit Supervisor(SupervisorSetup setup);
  ~Supervisor();  // ends every worker
  Supervisor(const Supervisor&) = delete;
  Supervisor& operator=(const Supervisor&) = delete;

  // The listener is called on the supervisor's thread; set it before Start.
  void SetListener(Listener listener) { listener_ = std::move(listener); }
  // Opens the store and starts every socket's worker. False with one line when it cannot.
  bool Start(std::string& error);
  // A unit for `socket` (its name): tested when the socket is free. False with the reason when
  // there is no such socket or the unit has run as often as the retest limit allows.
  bool Scan(const std::string& socket, const std::string& unit, std::string& reason);
  // No more units: the units scanned are tested, then the workers end. Returns at once.
  void Finish();
  // Blocks until the supervisor has ended (after Finish).
  void Wait();
  // True once the supervisor has ended: every unit scanned before Finish ended, every worker too.
  bool Ended() const { return ended_; }

  std::vector<SocketView> Sockets() const;
  size_t SocketCount() const;
  // The index of the socket named `name`, or SocketCount().
  size_t IndexOf(const std::string& name) const;

 private:
  class SocketRun;

  void Run();
  // One pass after the thread woke: scans handed on, workers' output, deadlines, the listener
  // told. True when the supervisor is done.
  bool Step(const std::vector<pollfd>& fds, bool& closing, LineClock::time_point& closingDeadline);
  void Wake();

  SupervisorSetup setup_;
  Listener listener_;
  std::vector<std::unique_ptr<SocketRun>> sockets_;
  std::map<std::string, int> runs_;  // per unit: how often it was scanned
  mutable std::mutex mutex_;         // guards what other threads reach: the fields below
  std::vector<SocketView> views_;
  std::vector<std::vector<std::string>> pending_;  // units scanned, not yet handed on
  bool finishing_ = false;
  bool stopping_ = false;
  int wake_[2] = {-1, -1};
  std::atomic<bool> ended_{false};
  std::thread thread_;
  std::unique_ptr<class LineRecords> records_;
};

}  // namespace halyard::line
