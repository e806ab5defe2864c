// The bus transaction routines the window's procedures call. Each reaches the adapter
// control through AdapterControl, returns the first non-zero status unchanged and shows no
// message (WriteConfigString excepted).
#pragma once

#include <cstdint>
#include <string>

#include "adapter/Dialogs.h"
#include "adapter/Protocol.h"
#include "adapter/Statuses.h"
#include "adapter/TarnelRW.h"

namespace halyard {

// Elements of the read buffer handed to a block read.
inline constexpr size_t kBlockReadBufferSize = 129;

class ModUSB {
 public:
  // `appTitle` is the application's own title, used by the one message this module shows.
  ModUSB(TarnelRW& adapterControl, Dialogs& dialogs, std::string appTitle);

  // True when an adapter is open: the first listed name (up to the first ",") is opened.
  bool AttachAdapter();
  void DetachAdapter();

  int16_t WriteWordBytes(uint8_t command, uint8_t high, uint8_t low);
  int16_t ReadWordBytes(uint8_t command, uint8_t& high, uint8_t& low);
  int16_t CheckWrite();
  int16_t ProgramSrecFile(std::string& path, std::string& second, std::string& third);
  int16_t WriteControllerByte(int16_t address, int16_t value);
  // The same, telling whether the value's write went out: it does not when the address's
  // write failed.
  int16_t WriteControllerByte(int16_t address, int16_t value, bool& valueSent);
  int16_t ReadControllerByte(int16_t address, int16_t& value);
  int16_t ReadI2cString(uint8_t start, int16_t count, int16_t address, std::string& text);

  // Reads Count/2+1 SWB words from Register on, two characters each (low byte first).
  int32_t ReadSwbString(uint8_t Register, int16_t Count, std::string& Text);
  // Reads the SMBus block `Command` at the controller device; one character per byte. A
  // count beyond the array the control returned is a failed read
  // (kStatusBlockCountBeyondArray) and leaves Text empty.
  int32_t ReadSmbBlockString(uint8_t Command, std::string& Text);
  // Writes the first `count` characters of `text` to registers start, start+1, ... over I2C;
  // stops at the first failed write with the message "Could not write configuration string
  // to device" and returns that status.
  int16_t WriteConfigString(uint8_t start, int16_t count, int16_t address, const std::string& text);

 private:
  TarnelRW& AdapterControl_;
  Dialogs& dialogs_;
  std::string appTitle_;
};

// Number of valid bytes of a block read, or -1 when the reported count runs past the array.
// A negative count is taken as no bytes.
int ValidBlockBytes(int16_t count, size_t arraySize);

}  // namespace halyard
