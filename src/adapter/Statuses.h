// The statuses the station answers itself and those it expects of an adapter (the simulated bench
// answers exactly these): one table of what each means, read by the documentation and by
// whatever shows a status to people. The station's own lie in -32768..-32000, a range no adapter
// or driver answers (halyard/driver.h).
#pragma once

#include <cstdint>
#include <string_view>

#include "halyard/driver.h"

namespace halyard {

// A block read that claims more bytes than the array it filled. The control's own statuses are
// small numbers; this one cannot be mistaken for them.
inline constexpr int16_t kStatusBlockCountBeyondArray = -32000;
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

// The adapter's answers, which drivers answer too (halyard/driver.h). OpenDevice answers -1 when
// it does not open; ProgramSrec answers 1 to 8 for a bad image file, and those numbers mean
// something else from any other operation.
inline constexpr int16_t kStatusOpenFailed = HALYARD_STATUS_NOT_OPENED;
inline constexpr int16_t kStatusFileNotFound = HALYARD_STATUS_FILE_NOT_FOUND;
inline constexpr int16_t kStatusFileUnreadable = HALYARD_STATUS_FILE_UNREADABLE;
inline constexpr int16_t kStatusFileEmpty = HALYARD_STATUS_FILE_EMPTY;
inline constexpr int16_t kStatusFileMalformed = HALYARD_STATUS_FILE_MALFORMED;
inline constexpr int16_t kStatusFileBadChecksum = HALYARD_STATUS_FILE_BAD_CHECKSUM;
inline constexpr int16_t kStatusFileNoData = HALYARD_STATUS_FILE_NO_DATA;
inline constexpr int16_t kStatusFileAddressOutOfRange = HALYARD_STATUS_FILE_ADDRESS_OUT_OF_RANGE;
inline constexpr int16_t kStatusFileNoEnd = HALYARD_STATUS_FILE_NO_END;
inline constexpr int16_t kStatusAdapterClosed = HALYARD_STATUS_ADAPTER_CLOSED;
inline constexpr int16_t kStatusNoDevice = HALYARD_STATUS_NO_DEVICE;
inline constexpr int16_t kStatusUnknownCommand = HALYARD_STATUS_UNKNOWN_COMMAND;
inline constexpr int16_t kStatusI2cNoRun = HALYARD_STATUS_I2C_NO_RUN;
inline constexpr int16_t kStatusBadRegister = HALYARD_STATUS_BAD_REGISTER;
inline constexpr int16_t kStatusBadFunction = HALYARD_STATUS_BAD_FUNCTION;
inline constexpr int16_t kStatusBadKind = HALYARD_STATUS_BAD_KIND;
inline constexpr int16_t kStatusBadWord = HALYARD_STATUS_BAD_WORD;
inline constexpr int16_t kStatusNoRowSelected = HALYARD_STATUS_NO_ROW_SELECTED;
inline constexpr int16_t kStatusRowNotArmed = HALYARD_STATUS_ROW_NOT_ARMED;
inline constexpr int16_t kStatusRowWriteProtected = HALYARD_STATUS_ROW_WRITE_PROTECTED;
inline constexpr int16_t kStatusBadBlock = HALYARD_STATUS_BAD_BLOCK;

// Which operations answer a status with this meaning.
enum class StatusScope { kAnyOperation, kProgramming };

struct StatusEntry {
  int16_t status;
  std::string_view name;
  std::string_view meaning;
  StatusScope scope = StatusScope::kAnyOperation;
};

inline constexpr StatusEntry kAdapterStatuses[] = {
    {kStatusOpenFailed, "open failed", "the adapter did not open"},
    {kStatusFileNotFound, "file not found", "file not found", StatusScope::kProgramming},
    {kStatusFileUnreadable, "file unreadable",
     "the file is not a regular file, cannot be read or is over 16 MiB", StatusScope::kProgramming},
    {kStatusFileEmpty, "file empty", "the file holds no records", StatusScope::kProgramming},
    {kStatusFileMalformed, "file malformed", "a line is no well-formed record, or out of order",
     StatusScope::kProgramming},
    {kStatusFileBadChecksum, "bad checksum", "a record's checksum is wrong",
     StatusScope::kProgramming},
    {kStatusFileNoData, "no data", "the file holds not one data byte", StatusScope::kProgramming},
    {kStatusFileAddressOutOfRange, "address out of range",
     "an address lies beyond the controller's 64 KiB", StatusScope::kProgramming},
    {kStatusFileNoEnd, "no end record", "the file is cut off: no end record",
     StatusScope::kProgramming},
    {kStatusAdapterClosed, "not open", "the adapter is not open"},
    {kStatusNoDevice, "no device", "nothing answers at that address"},
    {kStatusUnknownCommand, "unknown command", "the device does not know that command"},
    {kStatusI2cNoRun, "no I2C run", "an I2C read or write outside an open run"},
    {kStatusBadRegister, "bad register", "the register is outside the device's range"},
    {kStatusBadFunction, "bad function", "an I2C function or device the adapter does not offer"},
    {kStatusBadKind, "bad kind", "an SWB kind other than 2"},
    {kStatusBadWord, "bad word", "a word the command does not accept"},
    {kStatusNoRowSelected, "no row selected", "a row read or write before a row address"},
    {kStatusRowNotArmed, "row not armed", "a row write not armed just before"},
    {kStatusRowWriteProtected, "row write-protected",
     "a row write while the controller's flash is write-protected"},
    {kStatusBadBlock, "bad block", "a row write of the wrong size or tail byte"},
};

inline constexpr StatusEntry kStationStatuses[] = {
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

// What a status no entry names means, by the range it lies in: the first range that holds it.
// So every status a backend can answer has words, also one a bench rule or a driver made up.
struct StatusRange {
  int16_t first;
  int16_t last;
  std::string_view meaning;
};

inline constexpr StatusRange kUnnamedStatuses[] = {
    {HALYARD_STATUS_STATION_FIRST, HALYARD_STATUS_STATION_LAST,
     "a status of the station's own range that this version does not name"},
    {HALYARD_STATUS_DRIVER_FIRST, HALYARD_STATUS_DRIVER_LAST,
     "the driver's own status: the driver's documentation says what it means"},
    {INT16_MIN, INT16_MAX,
     "not a status the adapter answers for this operation: a bench rule's or a driver's own"},
};

inline constexpr bool IsStationStatus(int status) {
  return status >= HALYARD_STATUS_STATION_FIRST && status <= HALYARD_STATUS_STATION_LAST;
}

// The entry of a station status; null for a status that is the adapter's own.
inline constexpr const StatusEntry* FindStationStatus(int16_t status) {
  for (const StatusEntry& entry : kStationStatuses) {
    if (entry.status == status) return &entry;
  }
  return nullptr;
}

// The entry that names `status` answered by an operation of `scope`; null when none does.
inline constexpr const StatusEntry* FindStatus(int16_t status,
                                               StatusScope scope = StatusScope::kAnyOperation) {
  if (const StatusEntry* entry = FindStationStatus(status)) return entry;
  for (const StatusEntry& entry : kAdapterStatuses) {
    const bool applies = entry.scope == scope || entry.scope == StatusScope::kAnyOperation;
    if (entry.status == status && applies) return &entry;
  }
  return nullptr;
}

// What `status` means, answered by an operation of `scope`, for people to read: its entry's
// meaning, else its range's. Empty only for 0.
inline constexpr std::string_view StatusMeaning(int16_t status,
                                                StatusScope scope = StatusScope::kAnyOperation) {
  if (status == 0) return {};
  if (const StatusEntry* entry = FindStatus(status, scope)) return entry->meaning;
  for (const StatusRange& range : kUnnamedStatuses) {
    if (status >= range.first && status <= range.last) return range.meaning;
  }
  return {};
}

}  // namespace halyard
