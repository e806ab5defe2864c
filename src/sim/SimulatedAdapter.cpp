// The simulated bench's adapter: answers each call by rule or routes it to the device behind
// the address.
#include "sim/SimulatedAdapter.h"

#include <algorithm>
#include <utility>

#include "sim/BenchState.h"

namespace halyard {

SimulatedAdapter::SimulatedAdapter(BenchConfig config)
    : config_(std::move(config)),
      rules_(std::move(config_.rules)),
      target_(config_.targetMemory),
      controller_(config_.controller, target_) {
  config_.rules.clear();
}

// --- the one way in ---

int16_t SimulatedAdapter::Call(CallValues& call) {
  const BenchRule* answer = nullptr;
  for (BenchRule& rule : rules_) {
    if (!RuleMatches(rule, call)) continue;
    ++rule.matched;
    if (answer == nullptr && rule.matched >= rule.nth &&
        (rule.times < 0 || rule.applied < rule.times)) {
      ++rule.applied;
      answer = &rule;
    }
  }

  int16_t status = sim_status::kOk;
  if (answer != nullptr) {
    ActOutFault(answer->fault);
    ApplyOutputs(answer->outputs, call);
    status = answer->status;
  } else if (!open_ && call.Op() != Operation::kOpenDevice &&
             call.Op() != Operation::kListDevices && call.Op() != Operation::kCloseDevice) {
    status = sim_status::kNotOpen;
  } else {
    status = Perform(call);
  }
  // A scripted answer to a write is that write's outcome, so GetWriteStatus reports it too.
  if (IsWriteCall(call)) writeStatus_ = status;
  return status;
}

SmbusDevice* SimulatedAdapter::SmbusAt(int16_t address) {
  if (address == kControllerDevice) return &controller_;
  if (address == kTrimFirmwareDevice) return &controller_.TrimFirmware();
  return nullptr;
}

int16_t SimulatedAdapter::Perform(CallValues& call) {
  using F = Field;
  using Bytes = std::vector<uint8_t>;
  const auto in16 = [&call](Field field) { return call.In<int16_t>(field); };
  SmbusDevice* smbus = call.Input(F::kDevice) ? SmbusAt(in16(F::kDevice)) : nullptr;
  switch (call.Op()) {
    case Operation::kOpenDevice:
      return Open(call.In<std::string>(F::kName));
    case Operation::kCloseDevice:
      Close();
      return sim_status::kOk;
    case Operation::kListDevices: {
      const bool listed = call.In<int32_t>(F::kKind) == kListDevicesKind;
      std::string joined;
      for (const std::string& name : config_.adapters)
        joined += (joined.empty() ? "" : ",") + name;
      call.Out<int32_t>(F::kCount) = listed ? static_cast<int32_t>(config_.adapters.size()) : 0;
      call.Out<std::string>(F::kNames) = listed ? joined : "";
      return sim_status::kOk;
    }
    case Operation::kWriteSmbusWord:
      if (!smbus) return sim_status::kNoDevice;
      return smbus->WriteWord(in16(F::kCommand), static_cast<uint16_t>(in16(F::kWord)));
    case Operation::kReadSmbusWord:
      if (!smbus) return sim_status::kNoDevice;
      return smbus->ReadWord(in16(F::kCommand), call.Out<int16_t>(F::kWord));
    case Operation::kWriteSmbusBlock:
      if (!smbus) return sim_status::kNoDevice;
      return smbus->WriteBlock(in16(F::kCommand), call.In<Bytes>(F::kData), in16(F::kCount));
    case Operation::kReadSmbusBlock:
      if (!smbus) return sim_status::kNoDevice;
      return smbus->ReadBlock(in16(F::kCommand), call.Out<Bytes>(F::kData),
                              call.Out<int16_t>(F::kCount));
    case Operation::kSendSmbusCommand:
      if (!smbus) return sim_status::kNoDevice;
      return smbus->Send(in16(F::kCommand));
    case Operation::kGetWriteStatus:
      return writeStatus_;
    case Operation::kI2cAccess:
      return target_.I2c(call.In<int32_t>(F::kFunction), in16(F::kDevice), in16(F::kRegister),
                         call.Out<int16_t>(F::kValue));
    case Operation::kReadSwbWord:
      return target_.Swb(call.In<int32_t>(F::kKind), in16(F::kRegister),
                         call.Out<int16_t>(F::kValue));
    case Operation::kProgramSrec:
      return controller_.Program(call.In<std::string>(F::kPath));
    case Operation::kGetAdapterVersion: {
      const std::string& v = config_.adapterVersion;
      const auto ch = [&v](size_t i) { return i < v.size() ? static_cast<uint8_t>(v[i]) : 0; };
      call.Out<int16_t>(F::kFirst) =
          static_cast<int16_t>(static_cast<uint16_t>(ch(0) << 8 | ch(1)));
      call.Out<int16_t>(F::kSecond) = static_cast<int16_t>(ch(2));
      return sim_status::kOk;
    }
  }
  return sim_status::kUnknownCommand;
}

// --- the adapter and its state file ---

int16_t SimulatedAdapter::Open(const std::string& name) {
  if (std::find(config_.adapters.begin(), config_.adapters.end(), name) == config_.adapters.end()) {
    return sim_status::kOpenFailed;
  }
  if (config_.openResult == sim_status::kOpenFailed) return sim_status::kOpenFailed;
  if (!open_ && !config_.stateFile.empty()) {
    BenchState state;
    bool exists = false;
    std::string error;
    if (!LoadBenchState(config_.stateFile, state, exists, error)) {
      // Refuse to open rather than run on a blank target and overwrite the file at close.
      stateError_ = error;
      return sim_status::kOpenFailed;
    }
    stateError_.clear();
    if (exists) {
      target_.Memory() = state.targetMemory;
      controller_.Rows() = state.rows;
      if (state.image) controller_.SetImage(*state.image);
    }
  }
  open_ = true;
  return config_.openResult;
}

void SimulatedAdapter::Close() {
  if (!open_) return;
  open_ = false;
  target_.EndRun();
  if (config_.stateFile.empty()) return;
  BenchState state;
  state.targetMemory = target_.Memory();
  state.rows = controller_.Rows();
  state.image = controller_.Image();
  std::string error;
  stateError_ = SaveBenchState(config_.stateFile, state, error) ? "" : error;
}

// --- scripting, and the state tests look at ---

bool SimulatedAdapter::AddRuleJson(const std::string& json, std::string& error) {
  BenchRule rule;
  if (!ParseBenchRule(json, rule, error)) return false;
  AddRule(std::move(rule));
  return true;
}

std::optional<FlashRow> SimulatedAdapter::Row(uint16_t address) const {
  const auto found = controller_.Rows().find(address);
  if (found == controller_.Rows().end()) return std::nullopt;
  return found->second;
}

int SimulatedAdapter::SuccessfulProgrammings() const {
  return static_cast<int>(std::count_if(Programmings().begin(), Programmings().end(),
                                        [](const Programming& p) { return p.status == 0; }));
}

std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapter(const std::string& benchPath,
                                                       std::string& error) {
  if (benchPath.empty()) return std::make_unique<SimulatedAdapter>();
  return MakeSimulatedAdapterFromFile(benchPath, error);
}

std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapterFromFile(const std::filesystem::path& path,
                                                               std::string& error) {
  BenchConfig config;
  if (!LoadBenchFile(path, config, error)) return nullptr;
  return std::make_unique<SimulatedAdapter>(std::move(config));
}

std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapterFromJson(
    const std::string& json, std::string& error, const std::filesystem::path& baseDir) {
  BenchConfig config;
  if (!ParseBench(json, "bench text", baseDir, config, error)) return nullptr;
  return std::make_unique<SimulatedAdapter>(std::move(config));
}

}  // namespace halyard
