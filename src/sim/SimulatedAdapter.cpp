// The simulated bench's adapter and the devices behind it.
#include "sim/SimulatedAdapter.h"

#include <algorithm>
#include <utility>

namespace halyard {
namespace {

// Commands of the controller at 0x16.
// Commands of the trim firmware at 0x17.
// Bit 3 of controller location 0x0000 unlocks the flash for row writes.
constexpr uint8_t kFlashUnlockBit = 0x08;

constexpr int kSmbusBlockLimit = 32;
constexpr int kSwbFirstRegister = 0x20;
constexpr int kSwbLastRegister = 0x8F;  // its high byte is the target's last byte, 0xFF
constexpr int kListKind = 2;

}  // namespace

SimulatedAdapter::SimulatedAdapter(BenchConfig config)
    : config_(std::move(config)),
      rules_(config_.rules),
      target_(config_.targetMemory),
      controllerMemory_(config_.controllerMemory),
      rows_(config_.rows),
      imagePresent_(config_.imagePresent) {
  // A hand-made config may carry a short memory; the controller always has all 64 KiB.
  controllerMemory_.resize(kControllerMemoryBytes, 0x00);
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
  ++operations_;
  ++perOperation_[static_cast<size_t>(call.Op())];

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

int16_t SimulatedAdapter::Perform(CallValues& call) {
  using F = Field;
  const auto in16 = [&call](Field field) { return call.In<int16_t>(field); };
  switch (call.Op()) {
    case Operation::kOpenDevice:
      return Open(call.In<std::string>(F::kName));
    case Operation::kCloseDevice:
      Close();
      return sim_status::kOk;
    case Operation::kListDevices: {
      std::string joined;
      int32_t count = 0;
      if (call.In<int32_t>(F::kKind) == kListKind) {
        for (const std::string& name : config_.adapters) {
          if (!joined.empty()) joined += ',';
          joined += name;
        }
        count = static_cast<int32_t>(config_.adapters.size());
      }
      call.Out<int32_t>(F::kCount) = count;
      call.Out<std::string>(F::kNames) = joined;
      return sim_status::kOk;
    }
    case Operation::kWriteSmbusWord:
      return SmbusWordWrite(in16(F::kCommand), static_cast<uint16_t>(in16(F::kWord)),
                            in16(F::kDevice));
    case Operation::kReadSmbusWord:
      return SmbusWordRead(in16(F::kCommand), call.Out<int16_t>(F::kWord), in16(F::kDevice));
    case Operation::kWriteSmbusBlock:
      return SmbusBlockWrite(in16(F::kCommand), call.In<std::vector<uint8_t>>(F::kData),
                             in16(F::kCount), in16(F::kDevice));
    case Operation::kReadSmbusBlock:
      return SmbusBlockRead(in16(F::kCommand), call.Out<std::vector<uint8_t>>(F::kData),
                            call.Out<int16_t>(F::kCount), in16(F::kDevice));
    case Operation::kSendSmbusCommand:
      return SmbusSend(in16(F::kCommand), in16(F::kDevice));
    case Operation::kGetWriteStatus:
      return writeStatus_;
    case Operation::kI2cAccess:
      return I2c(call.In<int32_t>(F::kFunction), in16(F::kDevice), in16(F::kRegister),
                 call.Out<int16_t>(F::kValue));
    case Operation::kReadSwbWord:
      return Swb(call.In<int32_t>(F::kKind), in16(F::kRegister), call.Out<int16_t>(F::kValue));
    case Operation::kProgramSrec:
      return Program(call.In<std::string>(F::kPath));
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

// --- the adapter ---

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
    if (exists) {
      target_ = state.targetMemory;
      rows_ = state.rows;
    }
  }
  open_ = true;
  return config_.openResult;
}

void SimulatedAdapter::Close() {
  if (!open_) return;
  open_ = false;
  i2cRunOpen_ = false;
  if (!config_.stateFile.empty()) {
    BenchState state;
    state.targetMemory = target_;
    state.rows = rows_;
    std::string error;
    if (!SaveBenchState(config_.stateFile, state, error)) stateError_ = error;
  }
}

// --- SMBus: the controller at 0x16 (and the target's identification block), the trim
// firmware at 0x17 ---

int16_t SimulatedAdapter::SmbusWordWrite(int command, uint16_t word, int device) {
  if (device == kControllerAddress) {
    switch (command) {
      case kCmdMemoryAddress:
        memoryAddress_ = word;
        return sim_status::kOk;
      case kCmdMemoryWrite:
        controllerMemory_[memoryAddress_] = static_cast<uint8_t>(word & 0xFF);
        return sim_status::kOk;
      case kCmdRowUpdatePrepare:
        return sim_status::kOk;
      default:
        return sim_status::kUnknownCommand;
    }
  }
  if (device == kTrimFirmwareAddress) {
    if (!trimRunning_) return sim_status::kNoDevice;
    switch (command) {
      case kCmdRowAddress:
        rowWriteArmed_ = false;
        if (word % sizeof(FlashRow) != 0) {
          rowAddress_.reset();
          return sim_status::kBadArgument;
        }
        rowAddress_ = word;
        return sim_status::kOk;
      case kCmdRowWriteArm:
        rowWriteArmed_ = word == kRowWriteArmWord;
        return rowWriteArmed_ ? sim_status::kOk : sim_status::kBadArgument;
      default:
        return sim_status::kUnknownCommand;
    }
  }
  return sim_status::kNoDevice;
}

int16_t SimulatedAdapter::SmbusWordRead(int command, int16_t& word, int device) {
  if (device == kControllerAddress) {
    switch (command) {
      case kCmdMemoryRead:
        word = controllerMemory_[memoryAddress_];
        return sim_status::kOk;
      case kCmdSiliconVersion:
        word = static_cast<int16_t>(config_.siliconVersion);
        return sim_status::kOk;
      default:
        return sim_status::kUnknownCommand;
    }
  }
  if (device == kTrimFirmwareAddress) {
    return trimRunning_ ? sim_status::kUnknownCommand : sim_status::kNoDevice;
  }
  return sim_status::kNoDevice;
}

int16_t SimulatedAdapter::SmbusBlockWrite(int command, const std::vector<uint8_t>& data, int count,
                                          int device) {
  if (device == kControllerAddress) return sim_status::kUnknownCommand;
  if (device != kTrimFirmwareAddress) return sim_status::kNoDevice;
  if (!trimRunning_) return sim_status::kNoDevice;
  if (command != kCmdRowWrite) return sim_status::kUnknownCommand;
  // One arming covers one write attempt, good or bad.
  const bool armed = std::exchange(rowWriteArmed_, false);
  if (count != kRowWriteCount || data.size() < static_cast<size_t>(kRowWriteCount) ||
      data[kRowWriteCount - 1] != kRowWriteTail) {
    return sim_status::kBadBlock;
  }
  if (!rowAddress_) return sim_status::kNoRowSelected;
  if (!armed) return sim_status::kRowNotArmed;
  if ((controllerMemory_[0x0000] & kFlashUnlockBit) == 0) return sim_status::kRowWriteProtected;
  FlashRow& row = rows_[*rowAddress_];
  std::copy(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(row.size()), row.begin());
  return sim_status::kOk;
}

int16_t SimulatedAdapter::SmbusBlockRead(int command, std::vector<uint8_t>& data, int16_t& count,
                                         int device) {
  if (device == kControllerAddress) {
    if (command != kCmdTargetIdBlock) return sim_status::kUnknownCommand;
    const size_t length = std::min<size_t>(target_[0x20], kSmbusBlockLimit);
    PutBlock(&target_[0x21], length, data, count);
    return sim_status::kOk;
  }
  if (device != kTrimFirmwareAddress) return sim_status::kNoDevice;
  if (!trimRunning_) return sim_status::kNoDevice;
  if (command != kCmdRowRead) return sim_status::kUnknownCommand;
  if (!rowAddress_) return sim_status::kNoRowSelected;
  FlashRow erased;
  erased.fill(0xFF);
  const auto found = rows_.find(*rowAddress_);
  const FlashRow& row = found == rows_.end() ? erased : found->second;
  PutBlock(row.data(), row.size(), data, count);
  return sim_status::kOk;
}

void SimulatedAdapter::PutBlock(const uint8_t* bytes, size_t size, std::vector<uint8_t>& data,
                                int16_t& count) {
  if (data.size() < size) data.resize(size);
  std::copy(bytes, bytes + size, data.begin());
  count = static_cast<int16_t>(size);
}

int16_t SimulatedAdapter::SmbusSend(int command, int device) {
  if (device == kControllerAddress) return sim_status::kUnknownCommand;
  if (device != kTrimFirmwareAddress) return sim_status::kNoDevice;
  if (command == kCmdTrimStart) {
    // Without a programmed image there is no trim firmware to answer.
    if (!imagePresent_) return sim_status::kNoDevice;
    trimRunning_ = true;
    rowAddress_.reset();
    rowWriteArmed_ = false;
    return sim_status::kOk;
  }
  return trimRunning_ ? sim_status::kUnknownCommand : sim_status::kNoDevice;
}

// --- the test target: I2C memory at 0xA0, SWB words from the same memory ---

int16_t SimulatedAdapter::I2c(int32_t function, int device, int reg, int16_t& value) {
  if (function == 0) {
    if (device == 1) {
      i2cRunOpen_ = true;
      return sim_status::kOk;
    }
    if (device == 0) {
      i2cRunOpen_ = false;
      return sim_status::kOk;
    }
    return sim_status::kBadFunction;
  }
  if (function != 1 && function != 2) return sim_status::kBadFunction;
  if (!i2cRunOpen_) return sim_status::kI2cNoRun;
  if (device != kTargetI2cAddress) return sim_status::kNoDevice;
  if (reg < 0 || reg > 0xFF) return sim_status::kBadRegister;
  if (function == 1) {
    target_[static_cast<size_t>(reg)] = static_cast<uint8_t>(value & 0xFF);
  } else {
    value = target_[static_cast<size_t>(reg)];
  }
  return sim_status::kOk;
}

int16_t SimulatedAdapter::Swb(int32_t kind, int reg, int16_t& value) {
  if (kind != kSwbKind) return sim_status::kBadKind;
  if (reg < kSwbFirstRegister || reg > kSwbLastRegister) return sim_status::kBadRegister;
  const size_t low = static_cast<size_t>(0x20 + 2 * (reg - kSwbFirstRegister));
  value = static_cast<int16_t>(static_cast<uint16_t>(target_[low + 1] << 8 | target_[low]));
  return sim_status::kOk;
}

// --- programming ---

int16_t SimulatedAdapter::Program(const std::string& path) {
  // Configuration files written on other systems separate folders with '\'.
  std::string portable = path;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  Programming record;
  record.path = path;
  record.file = portable;
  SrecResult result = ReadSrecFile(record.file);
  record.status = static_cast<int16_t>(result.error);
  record.message = result.message;
  if (result.Ok()) {
    record.dataBytes = result.image.DataBytes();
    lastImage_ = std::move(result.image);
    imagePresent_ = true;
    // The controller resets into its new image; whatever ran before is gone.
    trimRunning_ = false;
    rowAddress_.reset();
    rowWriteArmed_ = false;
  }
  programmings_.push_back(std::move(record));
  return programmings_.back().status;
}

// --- scripting and inspection ---

void SimulatedAdapter::AddRule(BenchRule rule) {
  rules_.push_back(std::move(rule));
}

bool SimulatedAdapter::AddRuleJson(const std::string& json, std::string& error) {
  BenchRule rule;
  if (!ParseBenchRule(json, rule, error)) return false;
  AddRule(std::move(rule));
  return true;
}

void SimulatedAdapter::ClearRules() {
  rules_.clear();
}

std::optional<FlashRow> SimulatedAdapter::Row(uint16_t address) const {
  const auto found = rows_.find(address);
  if (found == rows_.end()) return std::nullopt;
  return found->second;
}

int SimulatedAdapter::SuccessfulProgrammings() const {
  return static_cast<int>(std::count_if(programmings_.begin(), programmings_.end(),
                                        [](const Programming& p) { return p.status == 0; }));
}

std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapter(const std::string& benchPath,
                                                       std::string& error) {
  BenchConfig config;
  if (!benchPath.empty() && !LoadBenchFile(benchPath, config, error)) return nullptr;
  return std::make_unique<SimulatedAdapter>(std::move(config));
}

std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapterFromJson(
    const std::string& json, std::string& error, const std::filesystem::path& baseDir) {
  BenchConfig config;
  if (!ParseBench(json, "bench text", baseDir, config, error)) return nullptr;
  return std::make_unique<SimulatedAdapter>(std::move(config));
}

}  // namespace halyard
