// Our own reader of Motorola S-record files: the simulated controller checks every image it is
// asked to program with it, and reports the first fault by line and kind.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halyard {

// Kinds of fault, in the order a file is checked. The simulated controller answers
// ProgramSrec with the numeric value, so these values are part of the bench's interface.
enum class SrecError : int16_t {
  kNone = 0,
  kNotFound = 1,           // no file at that path
  kUnreadable = 2,         // a folder, or the file could not be read, or is absurdly large
  kEmpty = 3,              // no records at all (empty or only blank lines)
  kMalformed = 4,          // a line that is not a well-formed record, or records out of order
  kBadChecksum = 5,        // a record whose checksum byte is wrong
  kNoData = 6,             // well-formed, but not one data byte
  kAddressOutOfRange = 7,  // data or start address beyond the controller's 64 KiB
};

const char* SrecErrorName(SrecError error);

// Consecutive bytes that start at one address. Records that continue one another are merged.
struct SrecSegment {
  uint32_t address = 0;
  std::vector<uint8_t> bytes;
};

struct SrecImage {
  std::string header;  // text of the S0 record, if any
  std::vector<SrecSegment> segments;
  std::optional<uint32_t> startAddress;  // from the S7/S8/S9 record, if any
  size_t dataRecords = 0;

  size_t DataBytes() const;
  // The bytes from the lowest to the highest address written, gaps filled with 0x00, as a
  // flat binary image lays them out. Empty when there is no data.
  std::vector<uint8_t> Flatten(uint32_t& lowestAddress) const;
};

struct SrecResult {
  SrecError error = SrecError::kNone;
  int line = 0;         // 1-based line of the fault; 0 when it concerns the whole file
  std::string message;  // one line, e.g. "line 3: bad checksum (record has 0x4F, sum gives 0x4E)"
  SrecImage image;      // complete only when error is kNone

  bool Ok() const { return error == SrecError::kNone; }
};

// Everything past `addressLimit` (exclusive) is out of range: 64 KiB for the controller.
inline constexpr uint32_t kControllerMemorySize = 0x10000;

SrecResult ParseSrec(std::string_view text, uint32_t addressLimit = kControllerMemorySize);
SrecResult ReadSrecFile(const std::filesystem::path& path,
                        uint32_t addressLimit = kControllerMemorySize);

}  // namespace halyard
