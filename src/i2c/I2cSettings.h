// What "i2c:DEVICE[,OPTION...]" chooses: the i2c-dev device, and how the station's 8-bit device
// addresses become the kernel's 7-bit ones.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace halyard::i2c {

struct I2cSettings {
  std::string device;            // "/dev/i2c-1"
  std::map<int, int> addresses;  // map=0x17:0x0C: station address -> 7-bit bus address
  bool force = false;            // take addresses a kernel driver has claimed (I2C_SLAVE_FORCE)
};

// Reads the text after "i2c:". False with one line in `error`.
bool ParseI2cSettings(const std::string& text, I2cSettings& settings, std::string& error);

// The 7-bit address for one of the station's 8-bit device addresses: as mapped, else half of
// an even address; -1 when it has none (an odd address is no address on the bus by itself).
int BusAddress(const I2cSettings& settings, int device);

}  // namespace halyard::i2c
