// The line at its throughput: N sockets on the simulated bench with the real waits, each testing
// K units through a sequence (records in a SQLite store, supervisor included). Reported: units
// per hour and that figure over one socket's (the goal: 8 sockets at least 7.5x one socket, 32 at
// least 28x), the time until every socket is ready (goal: under 1 s), and the CPU the line spends
// per unit as a share of the unit's time (goal: under 5 %).
#include <sys/resource.h>

#include <atomic>
#include <cmath>
#include <fstream>
#include <mutex>
#include <thread>

#include "BenchSupport.h"
#include "line/Supervisor.h"

namespace halyard::bench {
namespace {

using Clock = std::chrono::steady_clock;
using Seconds = std::chrono::duration<double>;

double ChildrenCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct LineFigures {
  double wallSeconds = 0;   // first scan to last unit's end
  double readySeconds = 0;  // start to every socket ready
  double cpuSeconds = 0;    // the line's and its workers'
  int units = 0;
  int failed = 0;
};

// Writes the line's configuration into a scratch folder of its own and returns its path.
std::filesystem::path WriteLine(int sockets, const std::string& sequence) {
  static int serial = 0;
  const auto folder = ScratchDir() / ("line-" + std::to_string(++serial));
  std::filesystem::create_directories(folder);
  std::ifstream shipped(BinDir() / "halyard-station.ini", std::ios::binary);
  std::string ini((std::istreambuf_iterator<char>(shipped)), {});
  ini += "\n[Line]\nSequence=" + sequence + "\nSockets=";
  for (int i = 1; i <= sockets; ++i)
    ini += std::to_string(i) + " ";
  ini += "\n";
  for (int i = 1; i <= sockets; ++i) {
    const auto bench = folder / ("bench-" + std::to_string(i) + ".json");
    std::ofstream(bench) << "{\"state_file\": \"state-" << i << ".json\"}";
    ini += "[Socket " + std::to_string(i) + "]\nBench=" + bench.string() + "\n";
  }
  std::ofstream(folder / "line.ini") << ini;
  return folder / "line.ini";
}

bool RunLine(int sockets, int unitsEach, const std::string& sequence, LineFigures& figures,
             std::string& error) {
  const std::filesystem::path config = WriteLine(sockets, sequence);
  line::SupervisorSetup setup;
  ProfileFile profile;
  if (!ProfileFile::TryLoad(config, profile, error) ||
      !line::ReadLineConfig(profile, config, setup.line, error))
    return false;
  setup.workerProgram = BinDir() / "halyardctl";
  setup.recordsStore = (config.parent_path() / "records.db").string();
  setup.counterLockFolder = config.parent_path();
  std::atomic<int> ended{0};
  std::atomic<int> failed{0};
  std::mutex mutex;
  Clock::time_point lastEnd;
  line::Supervisor supervisor(std::move(setup));
  supervisor.SetListener({nullptr, [&](const line::UnitReport& report) {
                            if (report.verdict != "passed") ++failed;
                            const std::lock_guard lock(mutex);
                            lastEnd = Clock::now();
                            ++ended;
                          }});
  const double cpuBefore = ProcessCpuSeconds() + ChildrenCpuSeconds();
  const Clock::time_point start = Clock::now();
  if (!supervisor.Start(error)) return false;
  const auto allReady = [&supervisor] {
    for (const line::SocketView& socket : supervisor.Sockets())
      if (socket.state != line::SocketState::kReady) return false;
    return true;
  };
  while (!allReady() && Clock::now() - start < std::chrono::seconds(30))
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  const Clock::time_point ready = Clock::now();
  for (int k = 0; k < unitsEach; ++k) {
    for (int s = 1; s <= sockets; ++s) {
      std::string reason;
      supervisor.Scan(std::to_string(s), "U" + std::to_string(s) + "-" + std::to_string(k), reason);
    }
  }
  supervisor.Finish();
  supervisor.Wait();
  figures.readySeconds = Seconds(ready - start).count();
  figures.wallSeconds = Seconds(lastEnd - ready).count();
  figures.cpuSeconds = ProcessCpuSeconds() + ChildrenCpuSeconds() - cpuBefore;
  figures.units = ended;
  figures.failed = failed;
  return true;
}

void BM_Line(benchmark::State& state) {
  const int sockets = static_cast<int>(state.range(0));
  const bool quick = QuickRun();
  const int unitsEach = quick ? 1 : 8;
  const std::string sequence =
      quick ? "configure run-all" : "configure run-all program trim-start trim-update";
  static double oneSocketRate = 0;
  for (auto _ : state) {
    LineFigures figures;
    std::string error;
    if (!RunLine(sockets, unitsEach, sequence, figures, error) || figures.failed > 0 ||
        figures.units != sockets * unitsEach) {
      state.SkipWithError(("the line did not test every unit: " + error).c_str());
      return;
    }
    const double rate = figures.units / figures.wallSeconds * 3600.0;
    if (sockets == 1) oneSocketRate = rate;
    const double unitSeconds = figures.wallSeconds / unitsEach;
    state.counters["sockets"] = sockets;
    state.counters["units_per_hour"] = rate;
    if (oneSocketRate > 0) state.counters["times_one_socket"] = rate / oneSocketRate;
    state.counters["ready_s"] = figures.readySeconds;
    state.counters["cpu_share_of_unit_pct"] =
        figures.cpuSeconds / figures.units / unitSeconds * 100.0;
  }
}

}  // namespace
}  // namespace halyard::bench

int main(int argc, char** argv) {
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 2;
  // The smoke run only shows the line still runs; the full run measures 1, 8 and 32 sockets.
  auto* line = benchmark::RegisterBenchmark("Line", halyard::bench::BM_Line);
  line->Iterations(1)->Unit(benchmark::kSecond);
  for (const int sockets : halyard::bench::QuickRun() ? std::vector{1, 2} : std::vector{1, 8, 32})
    line->Arg(sockets);
  return halyard::bench::RunBenchmarks();
}
