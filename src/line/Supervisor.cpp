// The supervisor's thread: it waits on every worker's output and on its own wake-up pipe, hands
// out units, and tells the listener what changed.
#include "line/Supervisor.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <algorithm>

#include "assembly/StationRecords.h"
#include "line/LineRecords.h"
#include "line/SocketRun.h"
#include "records/Sha256.h"

namespace halyard::line {

namespace {

// How long workers may take to close their adapters once told the line is done.
constexpr auto kClosingTime = std::chrono::seconds(10);

std::vector<std::string> WorkerArgs(const SupervisorSetup& setup, const SocketConfig& socket) {
  std::vector<std::string> args{
      setup.workerProgram.string(),  "serve", "--socket", socket.name, "--config",
      setup.line.configPath.string()};
  const auto add = [&args](const char* option, const std::string& value) {
    if (value.empty()) return;
    args.push_back(option);
    args.push_back(value);
  };
  add("--adapter", socket.adapter);
  if (socket.bench) add("--bench", *socket.bench);
  add("--counter", socket.counter);
  if (socket.counterShared)
    add("--counter-lock", CounterLockFile(setup.counterLockFolder, socket.counter).string());
  add("--records", setup.recordsStore);
  add("--spool", setup.spool.string());
  add("--operator", setup.operatorName);
  if (setup.noWait) args.push_back("--no-wait");
  return args;
}

}  // namespace

std::filesystem::path CounterLockFile(const std::filesystem::path& folder,
                                      const std::string& counter) {
  // Named by a digest: the counter's line may hold characters no file name should.
  return folder / ("counter-" + records::Sha256Hex(counter).substr(0, 16) + ".lock");
}

bool ReadSupervisorSetup(const std::filesystem::path& configPath,
                         const std::filesystem::path& workerProgram,
                         const std::optional<std::string>& recordsStore, SupervisorSetup& setup,
                         std::string& error) {
  ProfileFile profile;
  if (!ProfileFile::TryLoad(configPath, profile, error) ||
      !ReadLineConfig(profile, configPath, setup.line, error))
    return false;
  setup.workerProgram = workerProgram;
  setup.recordsStore = recordsStore ? *recordsStore : ConfiguredRecordsStore(profile);
  setup.counterLockFolder = std::filesystem::temp_directory_path();
  return true;
}

const char* SocketStateName(SocketState state) {
  switch (state) {
    case SocketState::kStarting:
      return "starting";
    case SocketState::kReady:
      return "ready";
    case SocketState::kTesting:
      return "testing";
    case SocketState::kRestarting:
      return "restarting";
    case SocketState::kDown:
      return "down";
  }
  return "";
}

Supervisor::Supervisor(SupervisorSetup setup) : setup_(std::move(setup)) {}

Supervisor::~Supervisor() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  Wake();
  if (thread_.joinable()) thread_.join();
  for (int fd : wake_) {
    if (fd >= 0) ::close(fd);
  }
}

bool Supervisor::Start(std::string& error) {
  records_ = std::make_unique<LineRecords>();
  if (!records_->Open(setup_.line.configuration, setup_.recordsStore, setup_.spool,
                      setup_.operatorName, error))
    return false;
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    error = "the supervisor's pipe could not be made";
    return false;
  }
  for (const SocketConfig& socket : setup_.line.sockets) {
    sockets_.push_back(
        std::make_unique<SocketRun>(socket, WorkerArgs(setup_, socket), setup_, *records_));
    views_.push_back(sockets_.back()->View());
    pending_.emplace_back();
  }
  thread_ = std::thread([this] { Run(); });
  return true;
}

bool Supervisor::Scan(const std::string& socket, const std::string& unit, std::string& reason) {
  const size_t index = IndexOf(socket);
  if (index >= sockets_.size()) {
    reason = "no socket named '" + socket + "'";
    return false;
  }
  if (unit.empty()) {
    reason = "no unit given";
    return false;
  }
  {
    const std::lock_guard lock(mutex_);
    if (finishing_) {
      reason = "the line is finishing";
      return false;
    }
    int& runs = runs_[unit];
    if (setup_.line.retestLimit && runs > *setup_.line.retestLimit) {
      reason = "unit " + unit + " has been tested " + std::to_string(runs) +
               " times: its retest limit (" + std::to_string(*setup_.line.retestLimit) +
               ") is reached";
      return false;
    }
    ++runs;
    pending_[index].push_back(unit);
    ++views_[index].queued;
  }
  Wake();
  return true;
}

void Supervisor::Finish() {
  {
    const std::lock_guard lock(mutex_);
    finishing_ = true;
  }
  Wake();
}

void Supervisor::Wait() {
  if (thread_.joinable()) thread_.join();
}

std::vector<SocketView> Supervisor::Sockets() const {
  const std::lock_guard lock(mutex_);
  return views_;
}

size_t Supervisor::SocketCount() const {
  return setup_.line.sockets.size();
}

size_t Supervisor::IndexOf(const std::string& name) const {
  const auto& sockets = setup_.line.sockets;
  const auto it =
      std::ranges::find_if(sockets, [&](const SocketConfig& s) { return s.name == name; });
  return static_cast<size_t>(it - sockets.begin());
}

void Supervisor::Wake() {
  const char byte = 1;
  if (wake_[1] >= 0) [[maybe_unused]]
    const ssize_t n = ::write(wake_[1], &byte, 1);
}

void Supervisor::Run() {
  bool closing = false;
  LineClock::time_point closingDeadline{};
  for (;;) {
    std::vector<pollfd> fds{{wake_[0], POLLIN, 0}};
    LineClock::time_point next = LineClock::time_point::max();
    for (const auto& socket : sockets_) {
      fds.push_back({socket->Output(), POLLIN, 0});
      next = std::min(next, socket->NextDeadline());
    }
    if (closing) next = std::min(next, closingDeadline);
    const LineClock::time_point now = LineClock::now();
    int timeout = -1;
    if (next <= now) {
      timeout = 0;
    } else if (next != LineClock::time_point::max()) {
      timeout = static_cast<int>(std::min<long long>(
          std::chrono::duration_cast<std::chrono::milliseconds>(next - now).count() + 1, 60'000));
    }
    ::poll(fds.data(), fds.size(), timeout);
    char drain[64];
    while (::read(wake_[0], drain, sizeof drain) > 0) {
    }
    if (Step(fds, closing, closingDeadline)) {
      ended_ = true;
      return;
    }
  }
}

bool Supervisor::Step(const std::vector<pollfd>& fds, bool& closing,
                      LineClock::time_point& closingDeadline) {
  const LineClock::time_point now = LineClock::now();
  std::vector<std::vector<std::string>> scans(sockets_.size());
  bool finish = false;
  {
    const std::lock_guard lock(mutex_);
    if (stopping_) {
      for (const auto& socket : sockets_)
        socket->Reap();
      return true;
    }
    finish = finishing_;
    scans.swap(pending_);
    pending_.resize(sockets_.size());
  }
  std::vector<UnitReport> ended;
  std::vector<bool> changed(sockets_.size(), false);
  for (size_t i = 0; i < sockets_.size(); ++i) {
    SocketRun& socket = *sockets_[i];
    for (std::string& unit : scans[i]) {
      socket.Queue(std::move(unit));
      changed[i] = true;
    }
    if (fds[i + 1].revents != 0 && socket.OnOutput(now, ended)) changed[i] = true;
    if (socket.OnTick(now)) changed[i] = true;
  }
  const bool idle = std::ranges::all_of(sockets_, [](const auto& s) { return s->Idle(); });
  if (finish && !closing && idle) {
    closing = true;
    closingDeadline = now + kClosingTime;
    for (const auto& socket : sockets_)
      socket->Close();
  }
  if (closing && now >= closingDeadline) {
    for (const auto& socket : sockets_)
      socket->Kill();
  }
  {
    const std::lock_guard lock(mutex_);
    for (size_t i = 0; i < sockets_.size(); ++i) {
      if (changed[i]) views_[i] = sockets_[i]->View();
    }
  }
  for (size_t i = 0; i < sockets_.size(); ++i) {
    if (changed[i] && listener_.socketChanged) listener_.socketChanged(i);
  }
  for (const UnitReport& report : ended) {
    if (listener_.unitEnded) listener_.unitEnded(report);
  }
  return closing &&
         std::ranges::none_of(sockets_, [](const auto& s) { return s->WorkerRunning(); });
}

}  // namespace halyard::line
