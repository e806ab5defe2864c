// The simulated test target.
#include "sim/SimTarget.h"

#include <algorithm>

#include "sim/SimStatus.h"

namespace halyard {

TargetMemory BlankTarget() {
  TargetMemory memory;
  memory.fill(0xFF);
  return memory;
}

void WriteTargetConfiguration(TargetMemory& memory) {
  memory[kTargetFlagRegister] = static_cast<uint8_t>(memory[kTargetFlagRegister] | 0x01);
  memory[kTargetLengthRegister] = static_cast<uint8_t>(kTargetIdText.size());
  std::copy(kTargetIdText.begin(), kTargetIdText.end(), memory.begin() + kTargetTextRegister);
}

int16_t SimTarget::I2c(int32_t function, int16_t device, int16_t reg, int16_t& value) {
  if (function == kI2cBracket) {
    if (device != kBracketOpen && device != kBracketClose) return sim_status::kBadFunction;
    runOpen_ = device == kBracketOpen;
    return sim_status::kOk;
  }
  if (function != kI2cWrite && function != kI2cRead) return sim_status::kBadFunction;
  if (!runOpen_) return sim_status::kI2cNoRun;
  if (device != kTargetI2cDevice) return sim_status::kNoDevice;
  if (reg < 0 || static_cast<size_t>(reg) >= memory_.size()) return sim_status::kBadRegister;
  uint8_t& byte = memory_[static_cast<size_t>(reg)];
  if (function == kI2cWrite) {
    byte = static_cast<uint8_t>(value & 0xFF);
  } else {
    value = byte;
  }
  return sim_status::kOk;
}

int16_t SimTarget::Swb(int32_t kind, int16_t reg, int16_t& value) const {
  if (kind != kSwbKind) return sim_status::kBadKind;
  if (reg < kSwbFirstRegister || reg > kSwbLastRegister) return sim_status::kBadRegister;
  const size_t low = static_cast<size_t>(kSwbFirstRegister + 2 * (reg - kSwbFirstRegister));
  value = static_cast<int16_t>(static_cast<uint16_t>(memory_[low + 1] << 8 | memory_[low]));
  return sim_status::kOk;
}

void SimTarget::IdentificationBlock(std::vector<uint8_t>& data, int16_t& count) const {
  const size_t length = std::min<size_t>(memory_[kTargetLengthRegister], kSmbusBlockMax);
  PutBlock(&memory_[kTargetTextRegister], length, data, count);
}

void PutBlock(const uint8_t* bytes, size_t size, std::vector<uint8_t>& data, int16_t& count) {
  if (data.size() < size) data.resize(size);
  std::copy(bytes, bytes + size, data.begin());
  count = static_cast<int16_t>(size);
}

}  // namespace halyard
