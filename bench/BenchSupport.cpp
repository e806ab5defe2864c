// Scratch folder, process CPU time and child runs for the benchmark programs.
#include "BenchSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>  // std::error_code

extern char** environ;

namespace halyard::bench {
namespace {

class Scratch {
 public:
  Scratch() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "halyard-bench-XXXXXX").string();
    // An empty path makes every file written into it fail, and each benchmark says so.
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~Scratch() {
    std::error_code ignored;
    if (!path_.empty()) std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// The console reporter that also remembers whether any run reported an error.
class CheckingReporter final : public benchmark::ConsoleReporter {
 public:
  CheckingReporter() : ConsoleReporter(::isatty(1) ? OO_Color : OO_None) {}
  void ReportRuns(const std::vector<Run>& runs) override {
    for (const Run& run : runs)
      failed_ = failed_ || run.error_occurred;
    ConsoleReporter::ReportRuns(runs);
  }
  bool Failed() const { return failed_; }

 private:
  bool failed_ = false;
};

double Seconds(const timeval& time) {
  return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) * 1e-6;
}

}  // namespace

bool QuickRun() {
  const char* value = std::getenv("HALYARD_BENCH_QUICK");
  return value != nullptr && *value != '\0' && std::strcmp(value, "0") != 0;
}

bool InitBenchmarks(int& argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  return !benchmark::ReportUnrecognizedArguments(argc, argv);
}

int RunBenchmarks() {
  CheckingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  return reporter.Failed() ? 1 : 0;
}

std::filesystem::path BinDir() {
  const char* value = std::getenv("HALYARD_BIN_DIR");
  return value != nullptr && *value != '\0' ? value : HALYARD_BENCH_BIN_DIR;
}

const std::filesystem::path& ScratchDir() {
  static const Scratch scratch;
  return scratch.Path();
}

double ProcessCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_SELF, &usage);
  return Seconds(usage.ru_utime) + Seconds(usage.ru_stime);
}

WaitCost MeasureWait(EventPump& pump, std::chrono::milliseconds duration) {
  WaitCost cost;
  const double cpuBefore = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const EventPump::Clock::time_point deadline = pump.Now() + duration;
  while (pump.Now() < deadline) {
    pump.WaitUntil(deadline);
    ++cost.wakeups;
  }
  cost.wallSeconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  cost.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
  return cost;
}

void ReportWait(benchmark::State& state, const WaitCost& cost) {
  // Microseconds of CPU a second: a percentage of a core would need many zeros.
  state.counters["cpu_us_per_wall_s"] = 1e6 * cost.cpuSeconds / cost.wallSeconds;
  state.counters["wakeups_per_s"] = cost.wakeups / cost.wallSeconds;
}

// Splits off the launcher's closing line; false when it is missing.
bool TakeLauncherLine(ChildRun& run) {
  const size_t at = run.out.rfind("peak_rss_kib=");
  if (at == std::string::npos) return false;
  long peakKib = 0;
  int exitStatus = -1;
  long long spawnedNs = 0;
  long long cpuUs = 0;
  if (std::sscanf(run.out.c_str() + at, "peak_rss_kib=%ld exit=%d spawned_ns=%lld cpu_us=%lld",
                  &peakKib, &exitStatus, &spawnedNs, &cpuUs) != 4) {
    return false;
  }
  run.cpuSeconds = static_cast<double>(cpuUs) * 1e-6;
  run.out.resize(at);
  run.peakRssBytes = static_cast<double>(peakKib) * 1024.0;  // Linux reports KiB
  run.exitStatus = exitStatus;
  run.spawnedAt = static_cast<double>(spawnedNs) * 1e-9;
  return true;
}

bool RunChild(const std::vector<std::string>& argv, ChildRun& run, std::string& error) {
  int pipeFds[2];
  if (::pipe2(pipeFds, O_CLOEXEC) != 0) {
    error = "pipe: " + std::string(std::strerror(errno));
    return false;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_adddup2(&actions, pipeFds[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  const std::string launcher = (BinDir() / "halyard_peak_rss").string();
  std::vector<char*> args{const_cast<char*>(launcher.c_str())};
  for (const std::string& arg : argv)
    args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);

  const auto start = std::chrono::steady_clock::now();
  pid_t pid = 0;
  const int spawned = ::posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeFds[1]);
  if (spawned != 0) {
    ::close(pipeFds[0]);
    error = "cannot start " + launcher + ": " + std::strerror(spawned);
    return false;
  }
  run.out.clear();
  char buffer[4096];
  for (ssize_t got; (got = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
    if (got > 0) run.out.append(buffer, static_cast<size_t>(got));
    if (got < 0 && errno != EINTR) break;
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.wallSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !TakeLauncherLine(run)) {
    error = "could not run " + argv[0] + " through " + launcher;
    return false;
  }
  return true;
}

}  // namespace halyard::bench
