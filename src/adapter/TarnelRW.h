// The adapter control: every byte between the station and the Halyard passes through one
// of these thirteen operations. Statuses are 16-bit, 0 for success (OpenDevice: -1 is the
// only failure). Nothing here throws. Byte arrays are vectors the control may resize.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace halyard {

class TarnelRW {
 public:
  virtual ~TarnelRW() = default;

  // Opens the named adapter. -1: not opened; any other value: opened.
  virtual int16_t OpenDevice(const std::string& name) = 0;
  virtual void CloseDevice() = 0;
  // Lists the adapters of the given kind (callers pass 2); names separated by ",".
  virtual void ListDevices(int32_t kind, int32_t& count, std::string& names) = 0;
  virtual int16_t WriteSmbusWord(int16_t command, int16_t word, int16_t device) = 0;
  virtual int16_t ReadSmbusWord(int16_t command, int16_t& word, int16_t device) = 0;
  // Writes the first `count` bytes of `data`.
  virtual int16_t WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                                  int16_t device) = 0;
  // On status 0, elements 0 to count-1 of `data` are valid. The control may resize `data`;
  // callers must not trust `count` beyond data.size().
  virtual int16_t ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                                 int16_t device) = 0;
  virtual int16_t SendSmbusCommand(int16_t command, int16_t device) = 0;
  virtual int16_t GetWriteStatus() = 0;
  // function 0: device 1 opens a run of accesses, 0 closes it; 1: write value; 2: read value.
  virtual int16_t I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) = 0;
  virtual int16_t ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) = 0;
  virtual int16_t ProgramSrec(std::string& path, std::string& second, std::string& third) = 0;
  // first: version characters 1 (high byte) and 2 (low byte); second: character 3.
  virtual int16_t GetAdapterVersion(int16_t& first, int16_t& second) = 0;
};

}  // namespace halyard
