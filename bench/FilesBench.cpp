// Reading the simulated bench's files: bench files of many rules, and S-record images up to the
// 16 MiB a file may have, by time and, for an image, by the peak memory of a process that reads
// it (the goal: at most 1.5 times the file's size). The smoke run keeps to the small sizes.
#include <benchmark/benchmark.h>

#include <sstream>
#include <string>

#include "BenchSupport.h"
#include "Inputs.h"
#include "sim/BenchFile.h"
#include "sim/Srec.h"

namespace halyard::bench {
namespace {

constexpr int kFewRules = 1000;
constexpr int kManyRules = 100000;
constexpr size_t kSmallImage = size_t{64} * 1024;
constexpr size_t kLargeImage = size_t{16} * 1024 * 1024;

void BM_LoadBenchFile(benchmark::State& state) {
  const auto rules = static_cast<int>(state.range(0));
  const std::filesystem::path path = BenchFileWithRules(rules);
  if (path.empty()) {
    state.SkipWithError("could not write the bench file");
    return;
  }
  for (auto _ : state) {
    BenchConfig config;
    std::string error;
    if (!LoadBenchFile(path, config, error) || config.rules.size() != static_cast<size_t>(rules)) {
      state.SkipWithError(("not loaded: " + error).c_str());
      return;
    }
    benchmark::DoNotOptimize(config.rules.data());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
  state.counters["rules"] = rules;
  state.counters["time_per_rule"] = benchmark::Counter(
      rules, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void BM_ReadSrecFile(benchmark::State& state) {
  const std::filesystem::path path = SrecFileOfSize(static_cast<size_t>(state.range(0)));
  if (path.empty()) {
    state.SkipWithError("could not write the image");
    return;
  }
  for (auto _ : state) {
    const SrecResult result = ReadSrecFile(path);
    if (!result.Ok()) {
      state.SkipWithError(("not read: " + result.message).c_str());
      return;
    }
    benchmark::DoNotOptimize(result.image.DataBytes());
  }
  state.SetBytesProcessed(state.iterations() *
                          static_cast<int64_t>(std::filesystem::file_size(path)));
}

// The whole process's peak while it reads one image: the process's own start-up memory is in
// it, as it is in any program that reads an image, and is also given apart.
void BM_SrecPeakMemory(benchmark::State& state) {
  const std::filesystem::path path = SrecFileOfSize(static_cast<size_t>(state.range(0)));
  const std::string program = (BinDir() / "halyard_srec_peak").string();
  double fileBytes = path.empty() ? 0 : static_cast<double>(std::filesystem::file_size(path));
  long before = 0, after = 0;
  for (auto _ : state) {
    ChildRun run;
    std::string error;
    int status = -1;
    if (!RunChild({program, path.string()}, run, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    std::istringstream(run.out) >> before >> after >> status;
    if (run.exitStatus != 0 || status != 0) {
      state.SkipWithError(("the child failed: " + run.out).c_str());
      return;
    }
  }
  state.counters["file_MiB"] = fileBytes / (1024.0 * 1024.0);
  state.counters["peak_MiB"] = static_cast<double>(after) / 1024.0;
  state.counters["startup_MiB"] = static_cast<double>(before) / 1024.0;
  state.counters["peak_per_file"] = static_cast<double>(after) * 1024.0 / fileBytes;
  state.counters["growth_per_file"] = static_cast<double>(after - before) * 1024.0 / fileBytes;
}

[[maybe_unused]] const bool kRegistered = [] {
  const bool quick = QuickRun();
  auto* load = benchmark::RegisterBenchmark("LoadBenchFile", BM_LoadBenchFile);
  auto* read = benchmark::RegisterBenchmark("ReadSrecFile", BM_ReadSrecFile);
  auto* peak = benchmark::RegisterBenchmark("SrecPeakMemory", BM_SrecPeakMemory);
  load->Arg(kFewRules)->Unit(benchmark::kMillisecond);
  read->Arg(kSmallImage)->Unit(benchmark::kMillisecond);
  peak->Arg(quick ? kSmallImage : kLargeImage)->Iterations(1)->Unit(benchmark::kMillisecond);
  if (!quick) {
    load->Arg(kManyRules);
    read->Arg(kLargeImage);
  }
  return true;
}();

}  // namespace
}  // namespace halyard::bench

int main(int argc, char** argv) {
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 1;
  return halyard::bench::RunBenchmarks();
}
