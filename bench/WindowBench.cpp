// The Qt window: the CPU its timed wait (QtEventPump, with the window shown and synced before
// each wait as halyard-station does) burns while it waits, and, by starting a separate small
// program, how long after start the window is shown and the peak memory of a process showing it.
// That program is this one, run with --show-window. Runs offscreen unless QT_QPA_PLATFORM says
// otherwise.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "WindowRig.h"

namespace halyard::bench {
namespace {

constexpr const char* kShowWindow = "--show-window";

// Starts the window as halyard-station does, prints the monotonic clock (ns) at the moment it is
// shown and painted, and returns.
int ShowWindowOnce(int argc, char** argv) {
  QApplication app(argc, argv);
  WindowRig rig;
  std::string error;
  if (!rig.Show(error)) {
    std::fprintf(stderr, "halyard_window_bench %s: %s\n", kShowWindow, error.c_str());
    return 1;
  }
  const auto shown = std::chrono::steady_clock::now().time_since_epoch();
  std::printf("%lld\n", static_cast<long long>(std::chrono::nanoseconds(shown).count()));
  return 0;
}

void BM_WindowWaitCpu(benchmark::State& state) {
  WindowRig rig;
  std::string error;
  if (!rig.Show(error)) {
    state.SkipWithError(error.c_str());
    return;
  }
  WaitCost cost;
  for (auto _ : state)
    cost = MeasureWait(rig.Pump(), std::chrono::milliseconds(state.range(0)));
  if (rig.MessagesRaised() != 0) state.SkipWithError("a message box was raised");
  ReportWait(state, cost);
}

// The reported time is from starting the program to its window being shown and painted.
void BM_WindowStart(benchmark::State& state) {
  const std::string program = (BinDir() / "halyard_window_bench").string();
  double peak = 0;
  for (auto _ : state) {
    ChildRun run;
    std::string error;
    if (!RunChild({program, kShowWindow}, run, error) || run.exitStatus != 0) {
      state.SkipWithError(error.empty() ? "halyard_window_bench --show-window failed"
                                        : error.c_str());
      return;
    }
    long long shownNs = 0;
    std::istringstream(run.out) >> shownNs;
    state.SetIterationTime(static_cast<double>(shownNs) * 1e-9 - run.spawnedAt);
    peak = std::max(peak, run.peakRssBytes);
  }
  state.counters["peak_MiB"] = peak / (1024.0 * 1024.0);
}

[[maybe_unused]] const bool kRegistered = [] {
  const bool quick = QuickRun();
  benchmark::RegisterBenchmark("WindowWaitCpu", BM_WindowWaitCpu)
      ->Arg(quick ? 20 : 1000)
      ->Iterations(1)
      ->UseRealTime()
      ->Unit(benchmark::kMillisecond);
  benchmark::RegisterBenchmark("WindowStart", BM_WindowStart)
      ->Iterations(quick ? 1 : 5)
      ->UseManualTime()
      ->Unit(benchmark::kMillisecond);
  return true;
}();

}  // namespace
}  // namespace halyard::bench

int main(int argc, char** argv) {
  // Before Qt starts, so the children started from here inherit it too.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (argc == 2 && std::strcmp(argv[1], halyard::bench::kShowWindow) == 0)
    return halyard::bench::ShowWindowOnce(argc, argv);
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 1;
  QApplication app(argc, argv);
  return halyard::bench::RunBenchmarks();
}
