// Our own reader of Motorola S-record files: the simulated controller checks every image it is
// asked to program with it, and reports the first fault by line and kind. A file is read line
// by line into the memory image, so reading it costs little more memory than the image.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "adapter/Protocol.h"
#include "adapter/Statuses.h"

namespace halyard {

// Kinds of fault. The simulated controller answers ProgramSrec with the numeric value, so these
// values are part of the bench's interface.
enum class SrecError : int16_t {
  kNone = 0,
  kNotFound = kStatusFileNotFound,  // no file at that path
  kUnreadable =
      kStatusFileUnreadable,  // not a regular file, could not be read, or larger than 16 MiB
  kEmpty = kStatusFileEmpty,  // no records at all (empty or only blank lines)
  kMalformed =
      kStatusFileMalformed,  // a line that is not a well-formed record, or records out of order
  kBadChecksum = kStatusFileBadChecksum,  // a record whose checksum byte is wrong
  kNoData = kStatusFileNoData,            // well-formed, but not one data byte
  kAddressOutOfRange =
      kStatusFileAddressOutOfRange,  // data or start address beyond the controller's 64 KiB
  kNoEnd = kStatusFileNoEnd,         // cut off: no end record (S7, S8 or S9)
};

struct SrecImage {
  std::string header;                    // text of the S0 record, if any
  std::optional<uint32_t> startAddress;  // from the end record
  size_t dataRecords = 0;

  size_t DataBytes() const { return dataBytes_; }
  // The bytes from the lowest to the highest address written, gaps filled with 0x00, as a
  // flat binary image lays them out; a byte written twice holds the later value. Empty when
  // there is no data.
  std::vector<uint8_t> Flatten(uint32_t& lowestAddress) const;
  void Write(uint32_t address, const uint8_t* bytes, size_t size);

 private:
  std::vector<uint8_t> memory_;  // from address 0 to the highest written
  uint32_t low_ = UINT32_MAX;
  size_t dataBytes_ = 0;
};

struct SrecResult {
  SrecError error = SrecError::kNone;
  int line = 0;         // 1-based line of the fault; 0 when it concerns the whole file
  std::string message;  // one line, e.g. "line 3: bad checksum (record has 0x4F, sum gives 0x4E)"
  SrecImage image;      // complete only when error is kNone

  bool Ok() const { return error == SrecError::kNone; }
};

// Everything at or past `addressLimit` is out of range: 64 KiB for the controller.
SrecResult ParseSrec(std::string_view text, uint32_t addressLimit = kControllerMemoryBytes);
SrecResult ReadSrecFile(const std::filesystem::path& path,
                        uint32_t addressLimit = kControllerMemoryBytes);

}  // namespace halyard
