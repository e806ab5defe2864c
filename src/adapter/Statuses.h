// The statuses the station answers itself, beside those of the adapter behind the control: one
// table of what each means, read by the documentation and by whatever shows a status to people.
// They lie in -32768..-32000, a range no adapter or driver answers (halyard/driver.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "adapter/ModUSB.h"
#include "halyard/driver.h"

namespace halyard {

// A backend's answers in place of an operation it cannot carry out.
inline constexpr int16_t kStatusNotSupported = HALYARD_STATUS_NOT_SUPPORTED;
// A driver's outputs the station refused (they are dropped; the caller's variables stay).
inline constexpr int16_t kStatusDriverBadLength = HALYARD_STATUS_BAD_LENGTH;
inline constexpr int16_t kStatusDriverBadText = HALYARD_STATUS_BAD_TEXT;
inline constexpr int16_t kStatusDriverStationStatus = HALYARD_STATUS_STATION_STATUS;
// The Linux i2c-dev backend: its own checks, then the kernel's answers.
inline constexpr int16_t kStatusNotOpen = -32010;
inline constexpr int16_t kStatusBadArgument = -32011;
inline constexpr int16_t kStatusNoBusAddress = -32012;
inline constexpr int16_t kStatusAdapterCannot = -32013;
inline constexpr int16_t kStatusAddressBusy = -32014;
inline constexpr int16_t kStatusNoAcknowledge = -32015;
inline constexpr int16_t kStatusTimeout = -32016;
inline constexpr int16_t kStatusBusError = -32017;
inline constexpr int16_t kStatusPecError = -32018;
inline constexpr int16_t kStatusProtocolError = -32019;
inline constexpr int16_t kStatusKernelError = -32020;

struct StatusMeaning {
  int16_t status;
  std::string_view name;
  std::string_view meaning;
};

inline constexpr StatusMeaning kStationStatuses[] = {
    {kStatusBlockCountBeyondArray, "block count beyond array",
     "a block read reported more bytes than the array it returned"},
    {kStatusNotSupported, "not supported",
     "the backend has no such operation (a driver's missing entry; i2c-dev has no SWB, "
     "programming or adapter version)"},
    {kStatusDriverBadLength, "driver: bad length",
     "the driver returned a length below 0 or beyond the buffer's capacity"},
    {kStatusDriverBadText, "driver: bad text",
     "the driver returned a text that is not UTF-8 or holds a NUL byte"},
    {kStatusDriverStationStatus, "driver: station status",
     "the driver answered a status from the station's own range"},
    {kStatusNotOpen, "not open", "no adapter is open (before OpenDevice or after CloseDevice)"},
    {kStatusBadArgument, "bad argument",
     "an I2C function, register or block length the bus cannot carry"},
    {kStatusNoBusAddress, "no bus address",
     "the device address has no 7-bit address on this bus (give one with map=)"},
    {kStatusAdapterCannot, "adapter cannot",
     "the I2C adapter does not offer this transfer (I2C_FUNCS, or EOPNOTSUPP)"},
    {kStatusAddressBusy, "address busy",
     "a kernel driver owns the device's address (EBUSY; the force option takes it over)"},
    {kStatusNoAcknowledge, "no acknowledge", "no device answered (ENXIO, EREMOTEIO)"},
    {kStatusTimeout, "timeout", "the transfer timed out (ETIMEDOUT)"},
    {kStatusBusError, "bus error", "bus error or lost arbitration (EIO, EAGAIN)"},
    {kStatusPecError, "PEC error", "the packet error check failed (EBADMSG)"},
    {kStatusProtocolError, "protocol error",
     "the device broke the SMBus protocol, e.g. a block count beyond 32 (EPROTO)"},
    {kStatusKernelError, "kernel error", "any other error of the kernel's i2c-dev interface"},
};

inline constexpr bool IsStationStatus(int status) {
  return status >= HALYARD_STATUS_STATION_FIRST && status <= HALYARD_STATUS_STATION_LAST;
}

// The entry of a station status; null for a status that is the adapter's own.
inline constexpr const StatusMeaning* FindStationStatus(int16_t status) {
  for (const StatusMeaning& entry : kStationStatuses) {
    if (entry.status == status) return &entry;
  }
  return nullptr;
}

}  // namespace halyard
