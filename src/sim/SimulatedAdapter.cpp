// The simulated bench's adapter: binds each call, answers it by rule or routes it to the device
// behind the address.
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

// --- the thirteen operations: each binds its arguments and hands the call to Dispatch ---

int16_t SimulatedAdapter::OpenDevice(const std::string& name) {
  return Dispatch(CallValues::Bind<Operation::kOpenDevice>(name));
}

void SimulatedAdapter::CloseDevice() {
  Dispatch(CallValues::Bind<Operation::kCloseDevice>());
}

void SimulatedAdapter::ListDevices(int32_t kind, int32_t& count, std::string& names) {
  Dispatch(CallValues::Bind<Operation::kListDevices>(kind, count, names));
}

int16_t SimulatedAdapter::WriteSmbusWord(int16_t command, int16_t word, int16_t device) {
  return Dispatch(CallValues::Bind<Operation::kWriteSmbusWord>(command, word, device));
}

int16_t SimulatedAdapter::ReadSmbusWord(int16_t command, int16_t& word, int16_t device) {
  return Dispatch(CallValues::Bind<Operation::kReadSmbusWord>(command, word, device));
}

int16_t SimulatedAdapter::WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data,
                                          int16_t count, int16_t device) {
  return Dispatch(CallValues::Bind<Operation::kWriteSmbusBlock>(command, data, count, device));
}

int16_t SimulatedAdapter::ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data,
                                         int16_t& count, int16_t device) {
  return Dispatch(CallValues::Bind<Operation::kReadSmbusBlock>(command, data, count, device));
}

int16_t SimulatedAdapter::SendSmbusCommand(int16_t command, int16_t device) {
  return Dispatch(CallValues::Bind<Operation::kSendSmbusCommand>(command, device));
}

int16_t SimulatedAdapter::GetWriteStatus() {
  return Dispatch(CallValues::Bind<Operation::kGetWriteStatus>());
}

int16_t SimulatedAdapter::I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) {
  return Dispatch(CallValues::Bind<Operation::kI2cAccess>(function, device, reg, value));
}

int16_t SimulatedAdapter::ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) {
  return Dispatch(CallValues::Bind<Operation::kReadSwbWord>(kind, reg, value));
}

int16_t SimulatedAdapter::ProgramSrec(std::string& path, std::string& second, std::string& third) {
  return Dispatch(CallValues::Bind<Operation::kProgramSrec>(path, second, third));
}

int16_t SimulatedAdapter::GetAdapterVersion(int16_t& first, int16_t& second) {
  return Dispatch(CallValues::Bind<Operation::kGetAdapterVersion>(first, second));
}

// --- the one way in ---

int16_t SimulatedAdapter::Dispatch(CallValues call) {
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
