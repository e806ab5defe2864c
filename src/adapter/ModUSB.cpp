// Bus transaction routines built on the adapter control's operations.
#include "adapter/ModUSB.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace halyard {

namespace {

char CharOfCode(int code) {
  return static_cast<char>(static_cast<uint8_t>(code & 0xFF));
}
}  // namespace

int ValidBlockBytes(int16_t count, size_t arraySize) {
  if (count <= 0) return 0;
  if (static_cast<size_t>(count) > arraySize) return -1;
  return count;
}

ModUSB::ModUSB(TarnelRW& adapterControl, Dialogs& dialogs, std::string appTitle)
    : AdapterControl_(adapterControl), dialogs_(dialogs), appTitle_(std::move(appTitle)) {}

bool ModUSB::AttachAdapter() {
  int32_t count = 0;
  std::string names;
  AdapterControl_.ListDevices(kListDevicesKind, count, names);
  if (count < 1) return false;
  const std::string name = names.substr(0, names.find(','));
  return AdapterControl_.OpenDevice(name) != -1;
}

void ModUSB::DetachAdapter() {
  AdapterControl_.CloseDevice();
}

int16_t ModUSB::WriteWordBytes(uint8_t command, uint8_t high, uint8_t low) {
  const auto word = static_cast<int16_t>(static_cast<uint16_t>(high << 8 | low));
  const int16_t status = AdapterControl_.WriteSmbusWord(command, word, kControllerDevice);
  if (status != 0) return status;
  return CheckWrite();
}

int16_t ModUSB::ReadWordBytes(uint8_t command, uint8_t& high, uint8_t& low) {
  int16_t word = 0;
  const int16_t status = AdapterControl_.ReadSmbusWord(command, word, kControllerDevice);
  if (status == 0) {
    const auto bits = static_cast<uint16_t>(word);
    high = static_cast<uint8_t>(bits >> 8);
    low = static_cast<uint8_t>(bits & 0xFF);
  }
  return status;
}

int16_t ModUSB::CheckWrite() {
  return AdapterControl_.GetWriteStatus();
}

int16_t ModUSB::ProgramSrecFile(std::string& path, std::string& second, std::string& third) {
  return AdapterControl_.ProgramSrec(path, second, third);
}

int16_t ModUSB::WriteControllerByte(int16_t address, int16_t value) {
  bool valueSent = false;
  return WriteControllerByte(address, value, valueSent);
}

int16_t ModUSB::WriteControllerByte(int16_t address, int16_t value, bool& valueSent) {
  valueSent = false;
  const int16_t status =
      AdapterControl_.WriteSmbusWord(kCmdMemoryAddress, address, kControllerDevice);
  if (status != 0) return status;
  valueSent = true;
  return AdapterControl_.WriteSmbusWord(kCmdMemoryWrite, static_cast<int16_t>(value & 0xFF),
                                        kControllerDevice);
}

int16_t ModUSB::ReadControllerByte(int16_t address, int16_t& value) {
  const int16_t status =
      AdapterControl_.WriteSmbusWord(kCmdMemoryAddress, address, kControllerDevice);
  if (status != 0) return status;
  const int16_t readStatus =
      AdapterControl_.ReadSmbusWord(kCmdMemoryRead, value, kControllerDevice);
  value = static_cast<int16_t>(value & 0xFF);
  return readStatus;
}

int16_t ModUSB::ReadI2cString(uint8_t start, int16_t count, int16_t address, std::string& text) {
  text.clear();
  int16_t result = 0;
  int16_t value = 0;
  for (int i = 0; i < count; ++i) {
    result = AdapterControl_.I2cAccess(kI2cRead, address, static_cast<int16_t>(start + i), value);
    // The character is appended even when the read failed: the caller sees what the
    // control left in the variable, as the register-by-register read always has.
    text += CharOfCode(value);
    if (result != 0) break;
  }
  return result;
}

int32_t ModUSB::ReadSwbString(uint8_t Register, int16_t Count, std::string& Text) {
  Text.clear();
  int16_t word = 0;
  int16_t status = 0;
  const int last = Count / 2;
  for (int i = 0; i <= last; ++i) {
    status = AdapterControl_.ReadSwbWord(kSwbKind, static_cast<int16_t>(Register + i), word);
    const auto bits = static_cast<uint16_t>(word);
    Text += CharOfCode(bits & 0xFF);
    Text += CharOfCode(bits >> 8);
    if (status != 0) break;
  }
  return status;
}

int32_t ModUSB::ReadSmbBlockString(uint8_t Command, std::string& Text) {
  std::vector<uint8_t> data(kBlockReadBufferSize, 0);
  int16_t count = 0;
  Text.clear();
  const int16_t status = AdapterControl_.ReadSmbusBlock(Command, data, count, kControllerDevice);
  if (status != 0) return status;
  const int valid = ValidBlockBytes(count, data.size());
  if (valid < 0) return kStatusBlockCountBeyondArray;
  Text.assign(data.begin(), data.begin() + valid);
  return 0;
}

int16_t ModUSB::WriteConfigString(uint8_t start, int16_t count, int16_t address,
                                  const std::string& text) {
  int16_t status = 0;
  const int n = std::min<int>(count, static_cast<int>(text.size()));
  for (int i = 0; i < n; ++i) {
    int16_t value = static_cast<uint8_t>(text[static_cast<size_t>(i)]);
    status = AdapterControl_.I2cAccess(kI2cWrite, address, static_cast<int16_t>(start + i), value);
    if (status != 0) {
      dialogs_.MsgBox("Could not write configuration string to device", 0, appTitle_);
      return status;
    }
  }
  return status;
}

}  // namespace halyard
