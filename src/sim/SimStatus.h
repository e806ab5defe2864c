// The statuses the simulated bench answers. ProgramSrec answers the values of SrecError (1 to 8)
// for a bad file; OpenDevice answers -1 when it does not open.
#pragma once

#include <cstdint>

namespace halyard::sim_status {

inline constexpr int16_t kOk = 0;
inline constexpr int16_t kOpenFailed = -1;      // OpenDevice: unknown name or bad state file
inline constexpr int16_t kNotOpen = 10;         // no OpenDevice yet, or after CloseDevice
inline constexpr int16_t kNoDevice = 11;        // nothing answers at that address
inline constexpr int16_t kUnknownCommand = 12;  // the device does not know the command
inline constexpr int16_t kI2cNoRun = 13;        // I2C read or write outside an open run
inline constexpr int16_t kBadRegister = 14;  // I2C register outside 0..255, SWB outside 0x20..0x8F
inline constexpr int16_t kBadFunction = 15;  // I2C function not 0, 1, 2; function 0 not with 0 or 1
inline constexpr int16_t kBadKind = 16;      // SWB kind other than 2
inline constexpr int16_t kBadArgument = 17;  // a word the command does not accept
inline constexpr int16_t kNoRowSelected = 18;      // row read or write before a row address
inline constexpr int16_t kRowNotArmed = 19;        // row write without 0x11/0x000F first
inline constexpr int16_t kRowWriteProtected = 20;  // row write while bit 3 of 0x0000 is clear
inline constexpr int16_t kBadBlock = 21;           // row write of the wrong size or tail byte

}  // namespace halyard::sim_status
