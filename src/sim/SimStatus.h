// The statuses the simulated bench answers, by the bench's names. The bench answers the
// station's adapter statuses, so their values and meanings are the adapter layer's
// (adapter/Statuses.h). ProgramSrec answers the values of SrecError (1 to 8) for a bad file.
#pragma once

#include <cstdint>

#include "adapter/Statuses.h"

namespace halyard::sim_status {

inline constexpr int16_t kOk = 0;
inline constexpr int16_t kOpenFailed =
    kStatusOpenFailed;  // OpenDevice: unknown name or bad state file
inline constexpr int16_t kNotOpen =
    kStatusAdapterClosed;                              // no OpenDevice yet, or after CloseDevice
inline constexpr int16_t kNoDevice = kStatusNoDevice;  // nothing answers at that address
inline constexpr int16_t kUnknownCommand =
    kStatusUnknownCommand;                             // the device does not know the command
inline constexpr int16_t kI2cNoRun = kStatusI2cNoRun;  // I2C read or write outside an open run
inline constexpr int16_t kBadRegister =
    kStatusBadRegister;  // I2C register outside 0..255, SWB outside 0x20..0x8F
inline constexpr int16_t kBadFunction =
    kStatusBadFunction;  // I2C function not 0, 1, 2; function 0 not with 0 or 1
inline constexpr int16_t kBadKind = kStatusBadKind;      // SWB kind other than 2
inline constexpr int16_t kBadArgument = kStatusBadWord;  // a word the command does not accept
inline constexpr int16_t kNoRowSelected =
    kStatusNoRowSelected;  // row read or write before a row address
inline constexpr int16_t kRowNotArmed = kStatusRowNotArmed;  // row write without 0x11/0x000F first
inline constexpr int16_t kRowWriteProtected =
    kStatusRowWriteProtected;                          // row write while bit 3 of 0x0000 is clear
inline constexpr int16_t kBadBlock = kStatusBadBlock;  // row write of the wrong size or tail byte

}  // namespace halyard::sim_status
