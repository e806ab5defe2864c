// The simulated controller and its trim firmware.
#include "sim/SimController.h"

#include <algorithm>
#include <cctype>
#include <utility>

#include "sim/SimStatus.h"
#include "sim/Srec.h"

namespace halyard {

FlashRow DefaultReservedRow() {
  FlashRow row{};
  for (size_t i = 0; i < kTrimByteIndex; ++i)
    row[i] = static_cast<uint8_t>(i);
  row[kTrimByteIndex] = kTrimMidrange;
  row[kRowBytes - 1] = 0xFF;
  return row;
}

// --- the trim firmware at 0x17: it answers only while it runs ---

int16_t SimTrimFirmware::WriteWord(int16_t command, uint16_t word) {
  if (!running_) return sim_status::kNoDevice;
  switch (command) {
    case kCmdRowAddress:
      armed_ = false;
      if (word % kRowBytes != 0) {
        row_.reset();
        return sim_status::kBadArgument;
      }
      row_ = word;
      return sim_status::kOk;
    case kCmdRowWriteArm:
      armed_ = word == kRowWriteArmWord;
      return armed_ ? sim_status::kOk : sim_status::kBadArgument;
    default:
      return sim_status::kUnknownCommand;
  }
}

int16_t SimTrimFirmware::ReadWord(int16_t /*command*/, int16_t& /*word*/) {
  return running_ ? sim_status::kUnknownCommand : sim_status::kNoDevice;
}

int16_t SimTrimFirmware::WriteBlock(int16_t command, const std::vector<uint8_t>& data,
                                    int16_t count) {
  if (!running_) return sim_status::kNoDevice;
  if (command != kCmdRowWrite) return sim_status::kUnknownCommand;
  // One arming covers one write attempt, good or bad.
  const bool armed = std::exchange(armed_, false);
  if (count != kRowWriteCount || data.size() < static_cast<size_t>(kRowWriteCount) ||
      data[kRowWriteCount - 1] != kRowWriteTail) {
    return sim_status::kBadBlock;
  }
  if (!row_) return sim_status::kNoRowSelected;
  if (!armed) return sim_status::kRowNotArmed;
  if ((controller_.Memory()[kRowWriteLocation] & kRowWriteEnable) == 0) {
    return sim_status::kRowWriteProtected;
  }
  FlashRow& row = controller_.Rows()[*row_];
  std::copy_n(data.begin(), row.size(), row.begin());
  return sim_status::kOk;
}

int16_t SimTrimFirmware::ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count) {
  if (!running_) return sim_status::kNoDevice;
  if (command != kCmdRowRead) return sim_status::kUnknownCommand;
  if (!row_) return sim_status::kNoRowSelected;
  FlashRow erased;
  erased.fill(0xFF);
  const auto found = controller_.Rows().find(*row_);
  const FlashRow& row = found == controller_.Rows().end() ? erased : found->second;
  PutBlock(row.data(), row.size(), data, count);
  return sim_status::kOk;
}

int16_t SimTrimFirmware::Send(int16_t command) {
  if (command == kCmdTrimStart) {
    // Only a trim image programmed last has firmware here to start.
    if (controller_.Image() != ImageKind::kTrim) return sim_status::kNoDevice;
    Stop();
    running_ = true;
    return sim_status::kOk;
  }
  return running_ ? sim_status::kUnknownCommand : sim_status::kNoDevice;
}

void SimTrimFirmware::Stop() {
  running_ = false;
  row_.reset();
  armed_ = false;
}

// --- the controller at 0x16 ---

SimController::SimController(const ControllerSetup& setup, const SimTarget& target)
    : target_(target),
      memory_(setup.memory),
      siliconVersion_(setup.siliconVersion),
      rows_(setup.rows),
      image_(setup.image),
      trimImages_(setup.trimImages),
      oscillator_(setup.oscillator) {
  // A hand-made setup may carry a short memory; the controller always has all 64 KiB.
  memory_.resize(kControllerMemoryBytes, 0x00);
}

int16_t SimController::WriteWord(int16_t command, uint16_t word) {
  switch (command) {
    case kCmdMemoryAddress:
      address_ = word;
      return sim_status::kOk;
    case kCmdMemoryWrite:
      memory_[address_] = static_cast<uint8_t>(word & 0xFF);
      return sim_status::kOk;
    case kCmdRowUpdatePrepare:
      return sim_status::kOk;
    default:
      return sim_status::kUnknownCommand;
  }
}

int16_t SimController::ReadWord(int16_t command, int16_t& word) {
  switch (command) {
    case kCmdMemoryRead:
      word = memory_[address_];
      return sim_status::kOk;
    case kCmdSiliconVersion:
      word = static_cast<int16_t>(siliconVersion_);
      return sim_status::kOk;
    default:
      return sim_status::kUnknownCommand;
  }
}

int16_t SimController::WriteBlock(int16_t, const std::vector<uint8_t>&, int16_t) {
  return sim_status::kUnknownCommand;
}

int16_t SimController::ReadBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count) {
  if (command != kCmdTargetIdBlock) return sim_status::kUnknownCommand;
  target_.IdentificationBlock(data, count);
  return sim_status::kOk;
}

int16_t SimController::Send(int16_t) {
  return sim_status::kUnknownCommand;
}

int16_t SimController::Program(const std::string& path) {
  // Configuration files written on other systems separate folders with '\'.
  std::string portable = path;
  std::replace(portable.begin(), portable.end(), '\\', '/');
  Programming record;
  record.path = path;
  record.file = portable;
  const SrecResult result = ReadSrecFile(record.file);
  record.status = static_cast<int16_t>(result.error);
  record.message = result.message;
  if (result.Ok()) {
    record.dataBytes = result.image.DataBytes();
    record.kind = KindOf(result.image.header, record.file);
    image_ = record.kind;
    // The controller resets into its new image; whatever ran before is gone.
    trim_.Stop();
  }
  programmings_.push_back(std::move(record));
  return programmings_.back().status;
}

bool SimController::MeasureOscillator(double& hz) {
  if (!trim_.Running()) return false;
  hz = oscillator_.Measure(memory_[static_cast<uint16_t>(kTrimRegister)]);
  return true;
}

ImageKind SimController::KindOf(const std::string& header,
                                const std::filesystem::path& file) const {
  std::string lower = header;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  if (lower.find("trim") != std::string::npos) return ImageKind::kTrim;
  const std::string name = file.filename().string();
  const bool listed = std::find(trimImages_.begin(), trimImages_.end(), name) != trimImages_.end();
  return listed ? ImageKind::kTrim : ImageKind::kFirmware;
}

}  // namespace halyard
