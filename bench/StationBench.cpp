// halyardctl as a whole: what one "run-all" step costs in a --json --no-wait session (the
// difference between a session of many steps and one of a single step, so start-up and shutdown
// fall out; the goal is at most 20 µs a step), the program's time and peak memory as a process,
// and the CPU that the console's timed wait (SleepingEventPump) burns while it waits.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <sstream>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "adapter/EventPump.h"
#include "cli/Halyardctl.h"

namespace halyard::bench {
namespace {

using Seconds = std::chrono::duration<double>;

// The default bench's target is blank: configuring it first lets every run-all pass.
std::vector<std::string> SessionArgs(int runAllSteps) {
  std::vector<std::string> args{"--json", "--no-wait", "configure", "tab=1"};
  args.insert(args.end(), static_cast<size_t>(runAllSteps), "run-all");
  return args;
}

struct SessionCost {
  double wallSeconds = -1;  // negative when the session did not pass
  double cpuSeconds = 0;
};

// Runs one session in-process.
SessionCost TimeSession(const std::vector<std::string>& args, std::string& error) {
  std::ostringstream out, err;
  const double cpuBefore = ProcessCpuSeconds();
  const auto start = std::chrono::steady_clock::now();
  const int code = cli::HalyardctlMain(args, BinDir(), out, err);
  SessionCost cost;
  cost.wallSeconds = Seconds(std::chrono::steady_clock::now() - start).count();
  cost.cpuSeconds = ProcessCpuSeconds() - cpuBefore;
  if (code == cli::kExitOk) return cost;
  error = "exit status " + std::to_string(code) + ": " + err.str();
  return {};
}

void BM_HalyardctlSession(benchmark::State& state) {
  const std::vector<std::string> args = SessionArgs(static_cast<int>(state.range(0)));
  for (auto _ : state) {
    std::string error;
    if (TimeSession(args, error).wallSeconds < 0) {
      state.SkipWithError(error.c_str());
      return;
    }
  }
  state.counters["run_all_steps"] = static_cast<double>(state.range(0));
}

// Each iteration runs a session of one step and one of 1 + extra steps; the reported time is
// the difference per extra step. The CPU time of a step is given too: on a loaded machine the
// wall time also counts the time other processes had the core.
void BM_HalyardctlRunAllStep(benchmark::State& state) {
  const int extra = static_cast<int>(state.range(0));
  const std::vector<std::string> one = SessionArgs(1);
  const std::vector<std::string> many = SessionArgs(1 + extra);
  double cpuSeconds = 0;
  for (auto _ : state) {
    std::string error;
    const SessionCost shortRun = TimeSession(one, error);
    const SessionCost longRun = shortRun.wallSeconds < 0 ? SessionCost{} : TimeSession(many, error);
    if (longRun.wallSeconds < 0) {
      state.SkipWithError(error.c_str());
      return;
    }
    state.SetIterationTime(std::max(0.0, longRun.wallSeconds - shortRun.wallSeconds) / extra);
    cpuSeconds += (longRun.cpuSeconds - shortRun.cpuSeconds) / extra;
  }
  state.counters["cpu_us_per_step"] = 1e6 * cpuSeconds / static_cast<double>(state.iterations());
}

// The built program, started as the line automation starts it: time to exit and peak memory.
void BM_HalyardctlProcess(benchmark::State& state) {
  std::vector<std::string> argv = SessionArgs(1);
  argv.insert(argv.begin(), (BinDir() / "halyardctl").string());
  double peak = 0;
  for (auto _ : state) {
    ChildRun run;
    std::string error;
    if (!RunChild(argv, run, error) || run.exitStatus != 0) {
      state.SkipWithError(error.empty() ? "halyardctl failed" : error.c_str());
      return;
    }
    state.SetIterationTime(run.wallSeconds);
    peak = std::max(peak, run.peakRssBytes);
  }
  state.counters["peak_MiB"] = peak / (1024.0 * 1024.0);
}

void BM_ConsoleWaitCpu(benchmark::State& state) {
  SleepingEventPump pump;
  WaitCost cost;
  for (auto _ : state)
    cost = MeasureWait(pump, std::chrono::milliseconds(state.range(0)));
  ReportWait(state, cost);
}

[[maybe_unused]] const bool kRegistered = [] {
  const bool quick = QuickRun();
  const int extraSteps = quick ? 2 : 100;
  benchmark::RegisterBenchmark("HalyardctlSession", BM_HalyardctlSession)
      ->Arg(1)
      ->Arg(1 + extraSteps)
      ->Unit(benchmark::kMillisecond);
  // A fixed count: with the time of a step as the iteration's time, the default minimum time
  // would take thousands of sessions.
  benchmark::RegisterBenchmark("HalyardctlRunAllStep", BM_HalyardctlRunAllStep)
      ->Arg(extraSteps)
      ->Iterations(quick ? 1 : 20)
      ->UseManualTime()
      ->Unit(benchmark::kMicrosecond);
  benchmark::RegisterBenchmark("HalyardctlProcess", BM_HalyardctlProcess)
      ->Iterations(quick ? 1 : 5)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("ConsoleWaitCpu", BM_ConsoleWaitCpu)
      ->Arg(quick ? 20 : 1000)
      ->Iterations(1)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
}  // namespace halyard::bench

int main(int argc, char** argv) {
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 1;
  return halyard::bench::RunBenchmarks();
}
