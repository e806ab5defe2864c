// The cost of one adapter operation on the simulated bench, three ways: untraced (the bench
// alone, behind the adapter interface), traced (TracingAdapter over it, the lines taken in
// batches as the window takes a handler's trace) and traced into a sink that also keeps every
// line (as halyardctl and the record store keep a step's trace). The traced figures are what
// every bus transaction of the station costs, so the goal is at most 300 ns an operation,
// a 32-byte block read included.
#include <benchmark/benchmark.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "BenchSupport.h"
#include "adapter/Dialogs.h"
#include "adapter/ModUSB.h"
#include "adapter/Protocol.h"
#include "adapter/TracingAdapter.h"
#include "sim/SimulatedAdapter.h"

namespace halyard::bench {
namespace {

enum class Tracing { kOff, kLines, kSink };

// The lines are taken after this many calls: a handler's trace is taken when it returns, and
// one Run All makes a few dozen calls. Freeing the lines is part of what tracing costs.
constexpr int kTakeEvery = 64;

// The trim firmware runs (so its commands answer) and the target is configured or blank: a
// configured target answers its identification block with 12 bytes, a blank one with 32.
constexpr const char* kConfiguredBench =
    R"({"controller": {"programmed": true}, "target": {"configured": true}})";
constexpr const char* kBlankBench = R"({"controller": {"programmed": true}})";
constexpr const char* kAdapterName = "HALYARD-SIM0";

class SilentDialogs final : public Dialogs {
 public:
  void MsgBox(const std::string&, int, const std::string&) override {}
};

// One route to the simulated bench, opened and ready: the trim firmware started with a row
// selected and an I2C run open, so every operation reaches its device.
class Rig {
 public:
  Rig(Tracing tracing, bool configured) {
    std::string error;
    sim_ = MakeSimulatedAdapterFromJson(configured ? kConfiguredBench : kBlankBench, error);
    if (!sim_) return;
    if (tracing != Tracing::kOff) {
      TracingAdapter::Sink sink;
      if (tracing == Tracing::kSink)
        sink = [this](const std::string& line) { kept_.push_back(line); };
      tracer_.emplace(*sim_, std::move(sink));
    }
    control_ = tracer_ ? static_cast<TarnelRW*>(&*tracer_) : sim_.get();
    modUsb_.emplace(*control_, dialogs_, "halyard-bench");
    int16_t ignored = 0;
    control_->OpenDevice(kAdapterName);
    control_->SendSmbusCommand(kCmdTrimStart, kTrimFirmwareDevice);
    control_->WriteSmbusWord(kCmdRowAddress, static_cast<int16_t>(kReservedRowAddress),
                             kTrimFirmwareDevice);
    control_->I2cAccess(kI2cBracket, kBracketOpen, 0, ignored);
    Take();
  }

  bool Ok() const { return control_ != nullptr; }
  TarnelRW& Control() { return *control_; }
  ModUSB& Mod() { return *modUsb_; }

  void AfterCall() {
    if (++calls_ % kTakeEvery == 0) Take();
  }

 private:
  void Take() {
    if (!tracer_) return;
    std::vector<std::string> lines = tracer_->TakeLines();
    benchmark::DoNotOptimize(lines.data());
    kept_.clear();
  }

  std::unique_ptr<SimulatedAdapter> sim_;
  std::optional<TracingAdapter> tracer_;
  TarnelRW* control_ = nullptr;
  SilentDialogs dialogs_;
  std::optional<ModUSB> modUsb_;
  std::vector<std::string> kept_;
  int calls_ = 0;
};

// The arguments of the calls, kept across iterations as a caller's variables are.
struct CallArgs {
  std::vector<uint8_t> block = std::vector<uint8_t>(kBlockReadBufferSize);
  std::vector<uint8_t> row = RowWriteBlock();
  std::string names;
  std::string path = (BinDir() / "firmware" / "halyard-fw.srec").string();
  std::string secondText, thirdText, text;
  int32_t listed = 0;
  int16_t count = 0, word = 0, value = 0, first = 0, second = 0;
  uint8_t high = 0, low = 0;

  static std::vector<uint8_t> RowWriteBlock() {
    std::vector<uint8_t> bytes(kRowBytes, 0x5A);
    bytes.push_back(kRowWriteTail);
    return bytes;
  }
};

using Call = int32_t (*)(Rig&, CallArgs&);

struct Case {
  const char* name;
  bool configured;  // the target's state; only the identification block depends on it
  int32_t expect;   // the status the call answers on this bench; anything else is a broken rig
  Call call;
};

// The thirteen operations, the block read at both of its sizes, and two ModUSB routines. A
// refused call is still a whole call: the bench checks it and the trace formats it.
// clang-format off
const Case kCases[] = {
    {"OpenDevice", false, 0, [](Rig& r, CallArgs&) -> int32_t { return r.Control().OpenDevice(kAdapterName); }},
    // Closed after the first call: reopening inside the loop would be timed with it.
    {"CloseDevice", false, 0, [](Rig& r, CallArgs&) -> int32_t { r.Control().CloseDevice(); return 0; }},
    {"ListDevices", false, 0, [](Rig& r, CallArgs& a) -> int32_t { r.Control().ListDevices(kListDevicesKind, a.listed, a.names); return 0; }},
    {"WriteSmbusWord", false, 0, [](Rig& r, CallArgs&) -> int32_t { return r.Control().WriteSmbusWord(kCmdMemoryAddress, 0x1234, kControllerDevice); }},
    {"ReadSmbusWord", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().ReadSmbusWord(kCmdMemoryRead, a.word, kControllerDevice); }},
    // A 33-byte row write that the trim firmware refuses (19: not armed) after checking it.
    {"WriteSmbusBlock/33", false, 19, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().WriteSmbusBlock(kCmdRowWrite, a.row, kRowWriteCount, kTrimFirmwareDevice); }},
    {"ReadSmbusBlock/12", true, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().ReadSmbusBlock(kCmdTargetIdBlock, a.block, a.count, kControllerDevice); }},
    {"ReadSmbusBlock/32", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().ReadSmbusBlock(kCmdTargetIdBlock, a.block, a.count, kControllerDevice); }},
    {"SendSmbusCommand", false, 0, [](Rig& r, CallArgs&) -> int32_t { return r.Control().SendSmbusCommand(kCmdTrimStart, kTrimFirmwareDevice); }},
    {"GetWriteStatus", false, 0, [](Rig& r, CallArgs&) -> int32_t { return r.Control().GetWriteStatus(); }},
    {"I2cAccess/read", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().I2cAccess(kI2cRead, kTargetI2cDevice, kTargetFlagRegister, a.value); }},
    {"ReadSwbWord", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().ReadSwbWord(kSwbKind, kSwbFirstRegister, a.value); }},
    // Reads and checks the shipped firmware image from disk every time, as the bench does.
    {"ProgramSrec", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().ProgramSrec(a.path, a.secondText, a.thirdText); }},
    {"GetAdapterVersion", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Control().GetAdapterVersion(a.first, a.second); }},
    {"ModUSB.ReadWordBytes", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Mod().ReadWordBytes(kCmdSiliconVersion, a.high, a.low); }},
    {"ModUSB.ReadSmbBlockString/32", false, 0, [](Rig& r, CallArgs& a) -> int32_t { return r.Mod().ReadSmbBlockString(kCmdTargetIdBlock, a.text); }},
};
// clang-format on

void BM_Operation(benchmark::State& state, const Case* op, Tracing tracing) {
  Rig rig(tracing, op->configured);
  if (!rig.Ok()) {
    state.SkipWithError("the simulated bench could not be built");
    return;
  }
  CallArgs args;
  const int32_t status = op->call(rig, args);
  if (status != op->expect) {
    const std::string why = "status " + std::to_string(status) + ", expected " +
                            std::to_string(op->expect) + " (BinDir " + BinDir().string() + ")";
    state.SkipWithError(why.c_str());
    return;
  }
  for (auto _ : state) {
    benchmark::DoNotOptimize(op->call(rig, args));
    rig.AfterCall();
  }
  state.SetItemsProcessed(state.iterations());
}

[[maybe_unused]] const bool kRegistered = [] {
  const std::pair<const char*, Tracing> routes[] = {{"Untraced/", Tracing::kOff},
                                                    {"Traced/", Tracing::kLines},
                                                    {"TracedIntoSink/", Tracing::kSink}};
  for (const auto& [prefix, tracing] : routes) {
    for (const Case& op : kCases) {
      benchmark::RegisterBenchmark((std::string(prefix) + op.name).c_str(), BM_Operation, &op,
                                   tracing);
    }
  }
  return true;
}();

}  // namespace
}  // namespace halyard::bench

int main(int argc, char** argv) {
  if (!halyard::bench::InitBenchmarks(argc, argv)) return 1;
  return halyard::bench::RunBenchmarks();
}
