// What the benchmark programs share: the quick mode of the smoke run, a scratch folder for
// generated inputs, the CPU time of the whole process and of a wait, and running a child program
// to learn its peak memory (a process's peak is a high-water mark, so a figure of its own is only
// clean in a process that did nothing else).
#pragma once

#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "adapter/EventPump.h"

namespace halyard::bench {

// True when HALYARD_BENCH_QUICK is set (and not "0"): the smoke run that ctest starts, which
// leaves out the large inputs and shortens the waits so the programs only show they still work.
bool QuickRun();

// The folder of the built programs: HALYARD_BIN_DIR when set, else the build's own bin/.
std::filesystem::path BinDir();

// Takes the benchmark flags out of the command line; false (the reason printed) on a flag it
// does not know.
bool InitBenchmarks(int& argc, char** argv);
// Runs the benchmarks the flags select, as BENCHMARK_MAIN() does, and returns the exit status:
// 1 when one of them reported an error, so that the smoke run fails as a test should.
int RunBenchmarks();

// A fresh folder under the system's temporary folder, removed with everything in it at exit.
const std::filesystem::path& ScratchDir();

// User plus system CPU time of this process, all threads, in seconds.
double ProcessCpuSeconds();

struct WaitCost {
  double wallSeconds = 0;
  double cpuSeconds = 0;  // of the whole process while it waited
  int wakeups = 0;        // times the pump returned before the wait was over, plus the last
};

// Waits as the station's timed waits do (WaitUntil in a loop until Now() reaches the deadline)
// and measures what the wait costs the process.
WaitCost MeasureWait(EventPump& pump, std::chrono::milliseconds duration);

// Sets the wait's figures as counters: CPU microseconds per second waited, and wake-ups a
// second.
void ReportWait(benchmark::State& state, const WaitCost& cost);

struct ChildRun {
  int exitStatus = -1;      // the child's exit status; -1 when it did not exit normally
  double wallSeconds = 0;   // from spawning to reaping, as the benchmark saw it
  double spawnedAt = 0;     // the monotonic clock (s) when the child itself was started
  double peakRssBytes = 0;  // the child's own peak resident memory
  double cpuSeconds = 0;    // the child's own user and system time
  std::string out;          // what it wrote to stdout
};

// Runs `argv` (argv[0] a path) through halyard_peak_rss, with stdin and stderr from /dev/null
// and stdout captured. False, with `error` set, when it could not be started or measured.
bool RunChild(const std::vector<std::string>& argv, ChildRun& run, std::string& error);

}  // namespace halyard::bench
