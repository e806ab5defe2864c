// The adapter control: every byte between the station and the Halyard passes through one
// of these thirteen operations. Statuses are 16-bit, 0 for success (OpenDevice: -1 is the
// only failure). Nothing here throws. Byte arrays are vectors the control may resize.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "adapter/Operations.h"

namespace halyard {

// The operations bind their arguments by the operation table and hand them to Call, the one
// function a backend implements: the operation's arguments reach it in one shape, so tracing,
// scripting and marshalling to a driver each walk the table once instead of being written out
// thirteen times.
class TarnelRW {
 public:
  virtual ~TarnelRW() = default;

  // Carries out `call`: reads its inputs, writes its outputs into the caller's variables and
  // returns the status (ignored for CloseDevice and ListDevices, which return none).
  virtual int16_t Call(CallValues& call) = 0;

  // Opens the named adapter. -1: not opened; any other value: opened.
  int16_t OpenDevice(const std::string& name) { return Bound<Operation::kOpenDevice>(name); }
  void CloseDevice() { Bound<Operation::kCloseDevice>(); }
  // Lists the adapters of the given kind (callers pass 2); names separated by ",".
  void ListDevices(int32_t kind, int32_t& count, std::string& names) {
    Bound<Operation::kListDevices>(kind, count, names);
  }
  int16_t WriteSmbusWord(int16_t command, int16_t word, int16_t device) {
    return Bound<Operation::kWriteSmbusWord>(command, word, device);
  }
  int16_t ReadSmbusWord(int16_t command, int16_t& word, int16_t device) {
    return Bound<Operation::kReadSmbusWord>(command, word, device);
  }
  // Writes the first `count` bytes of `data`.
  int16_t WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                          int16_t device) {
    return Bound<Operation::kWriteSmbusBlock>(command, data, count, device);
  }
  // On status 0, elements 0 to count-1 of `data` are valid. The control may resize `data`;
  // callers must not trust `count` beyond data.size().
  int16_t ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                         int16_t device) {
    return Bound<Operation::kReadSmbusBlock>(command, data, count, device);
  }
  int16_t SendSmbusCommand(int16_t command, int16_t device) {
    return Bound<Operation::kSendSmbusCommand>(command, device);
  }
  int16_t GetWriteStatus() { return Bound<Operation::kGetWriteStatus>(); }
  // function 0: device 1 opens a run of accesses, 0 closes it; 1: write value; 2: read value.
  int16_t I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) {
    return Bound<Operation::kI2cAccess>(function, device, reg, value);
  }
  int16_t ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) {
    return Bound<Operation::kReadSwbWord>(kind, reg, value);
  }
  int16_t ProgramSrec(std::string& path, std::string& second, std::string& third) {
    return Bound<Operation::kProgramSrec>(path, second, third);
  }
  // first: version characters 1 (high byte) and 2 (low byte); second: character 3.
  int16_t GetAdapterVersion(int16_t& first, int16_t& second) {
    return Bound<Operation::kGetAdapterVersion>(first, second);
  }

 private:
  template <Operation kOp, typename... Args>
  int16_t Bound(Args&... args) {
    CallValues call = CallValues::Bind<kOp>(args...);
    return Call(call);
  }
};

}  // namespace halyard
