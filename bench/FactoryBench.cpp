// What the factory messages cost: an action's record with the factory output against the same
// without it (OutboxSync=always and background); how many messages a second the station publishes
// to a local broker; how long a message takes from its action's end to a receiver. The broker is a
// RabbitMQ of the bench's own (tests/factory/amqp-broker.sh), started once; the quick smoke run
// measures against a broker nobody listens at and starts none.
#include <benchmark/benchmark.h>

#include <cstdlib>

#include "BenchSupport.h"
#include "factory/AmqpLink.h"
#include "factory/BrokerPeer.h"
#include "factory/CfxMessages.h"
#include "factory/FactoryOutput.h"
#include "factory/Outbox.h"
#include "records/ActionRecorder.h"
#include "records/RecordFormat.h"

namespace halyard::bench {
namespace {

using namespace std::chrono_literals;

// A broker for this process's benchmarks, stopped at exit.
class BenchBroker {
 public:
  BenchBroker() {
    if (QuickRun()) return;
    handle_ = (ScratchDir() / "broker").string();
    if (std::system(("bash " HALYARD_AMQP_SCRIPT " start " + handle_).c_str()) != 0)
      handle_.clear();
  }
  ~BenchBroker() {
    if (!handle_.empty()) std::system(("bash " HALYARD_AMQP_SCRIPT " stop " + handle_).c_str());
  }
  // Where the station publishes: the broker, or in the quick run a port nobody listens at.
  std::string Url() const {
    if (handle_.empty()) return "amqp://127.0.0.1:1";
    std::ifstream in(handle_ + "/url");
    std::string url;
    std::getline(in, url);
    return url;
  }
  bool Up() const { return !handle_.empty(); }

 private:
  std::string handle_;
};

BenchBroker& Broker() {
  static BenchBroker broker;
  return broker;
}

factory::FactorySettings Settings(bool syncEach) {
  static int outboxes = 0;
  factory::FactorySettings s;
  s.broker = Broker().Url();
  s.address = "/queue/bench-" + records::NewRecordId();
  s.handle = "Halyard.Bench";
  s.outbox = ScratchDir() / ("bench-" + std::to_string(++outboxes) + ".outbox");
  s.syncEachMessage = syncEach;
  return s;
}

// Stands for the record store, so that the recorder builds the record either way.
class NoOutput final : public records::RecordOutput {
 public:
  records::RecordNotice Take(const records::Record&) override { return {}; }
};

// A Run All's result as an action leaves it: five tests, the counter, the version read.
ActionResult RunAllResult() {
  ActionResult result;
  result.action = "run-all";
  result.measured = kMeasuredTests | kMeasuredVersion | kMeasuredRunCount;
  for (int i = 0; i < 4; ++i)
    result.measurements.tests.push_back({i, "SMBus Test", true, 0});
  result.measurements.version = VersionMeasurement{0, "1.2", "1.2"};
  result.measurements.runAllPasses = 3;
  result.started = result.ended = std::chrono::system_clock::now();
  return result;
}

// The recorder's work for one action: without outputs (0), or with the factory output syncing
// each message (1) or in the background (2).
void BM_RecordAction(benchmark::State& state) {
  records::ActionRecorder recorder;
  factory::FactoryOutput* output = nullptr;
  if (state.range(0) > 0) {
    std::unique_ptr<factory::FactoryOutput> made;
    std::string error;
    if (!factory::FactoryOutput::Open(Settings(state.range(0) == 1), made, error)) {
      state.SkipWithError(error.c_str());
      return;
    }
    output = made.get();
    recorder.AddOutput(std::move(made));
  } else {
    recorder.AddOutput(std::make_unique<NoOutput>());
  }
  recorder.BeginUnit("U1");
  const ActionResult result = RunAllResult();
  for (auto _ : state)
    benchmark::DoNotOptimize(recorder.Record(result));
  state.SetLabel(state.range(0) == 0   ? "no factory"
                 : state.range(0) == 1 ? "OutboxSync=always"
                                       : "OutboxSync=background");
  if (output != nullptr) recorder.Close();
}
BENCHMARK(BM_RecordAction)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// Messages a second from the outbox to the broker, accepted: a backlog of 5,000 (as after an
// outage) drained by a link that starts with it.
void BM_PublishRate(benchmark::State& state) {
  if (!Broker().Up()) {  // the quick run: nothing to measure against
    for (auto _ : state) {
    }
    return;
  }
  const size_t count = static_cast<size_t>(state.range(0));
  for (auto _ : state) {
    state.PauseTiming();
    const factory::FactorySettings settings = Settings(true);
    std::unique_ptr<factory::Outbox> outbox;
    std::string error;
    factory::Outbox::Open(settings.outbox, true, outbox, error);
    std::vector<std::string> messages;
    for (size_t i = 0; i < count; ++i)
      messages.push_back(
          factory::UnitsTested(settings.handle, records::BuildRecord({}, RunAllResult()), "t"));
    outbox->Append(messages, error);
    state.ResumeTiming();
    factory::AmqpLink link({settings.broker, "", "", "", settings.address, "", "", 60s, {}},
                           *outbox);
    if (!outbox->WaitEmpty(std::chrono::steady_clock::now() + 120s))
      state.SkipWithError("the broker did not take them all");
    state.PauseTiming();
    link.Stop(0ms);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_PublishRate)->Arg(5000)->Unit(benchmark::kMillisecond)->UseRealTime();

// From the record handed to the output to the message at a receiver on the broker.
void BM_ActionToReceiver(benchmark::State& state) {
  if (!Broker().Up()) {  // the quick run: nothing to measure against
    for (auto _ : state) {
    }
    return;
  }
  const factory::FactorySettings settings = Settings(true);
  factory::testing::QueueReader reader(settings.broker, settings.address);
  std::unique_ptr<factory::FactoryOutput> output;
  std::string error;
  factory::FactoryOutput::Open(settings, output, error);
  size_t arrived = reader.Wait(1, 10s).size();
  for (auto _ : state) {
    output->Take(records::BuildRecord({}, RunAllResult()));
    ++arrived;
    if (reader.Wait(arrived, 10s).size() < arrived) state.SkipWithError("a message did not come");
  }
  output->Close();
}
BENCHMARK(BM_ActionToReceiver)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace halyard::bench

int main(int argc, char** argv) {
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 2;
  const int status = halyard::bench::RunBenchmarks();
  return status;
}
