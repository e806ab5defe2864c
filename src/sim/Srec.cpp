// Our own reader of Motorola S-record files: strict enough that the simulated controller refuses
// what real programming hardware would refuse, and it never stops the process on bad input.
#include "sim/Srec.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <system_error>

#include "adapter/TracingAdapter.h"  // TraceHex2
#include "sim/HexBytes.h"

namespace halyard {
namespace {

// No image for a 64 KiB controller comes near this; a larger file is a mistake, not firmware.
constexpr uintmax_t kMaxFileSize = 16u * 1024u * 1024u;

std::string HexAddress(uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(value));
  return buf;
}

SrecResult Fail(SrecError error, int line, const std::string& what) {
  SrecResult result;
  result.error = error;
  result.line = line;
  result.message = line > 0 ? "line " + std::to_string(line) + ": " + what : what;
  return result;
}

// Bytes of the address field for each record type; 0 marks a type that does not exist (S4).
constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

uint32_t BigEndian(const std::vector<uint8_t>& bytes, size_t first, int count) {
  uint32_t value = 0;
  for (int i = 0; i < count; ++i)
    value = (value << 8) | bytes[first + static_cast<size_t>(i)];
  return value;
}

}  // namespace

const char* SrecErrorName(SrecError error) {
  switch (error) {
    case SrecError::kNone:
      return "ok";
    case SrecError::kNotFound:
      return "file not found";
    case SrecError::kUnreadable:
      return "file unreadable";
    case SrecError::kEmpty:
      return "file empty";
    case SrecError::kMalformed:
      return "malformed record";
    case SrecError::kBadChecksum:
      return "bad checksum";
    case SrecError::kNoData:
      return "no data";
    case SrecError::kAddressOutOfRange:
      return "address out of range";
  }
  return "unknown";
}

size_t SrecImage::DataBytes() const {
  size_t total = 0;
  for (const SrecSegment& segment : segments)
    total += segment.bytes.size();
  return total;
}

std::vector<uint8_t> SrecImage::Flatten(uint32_t& lowestAddress) const {
  lowestAddress = 0;
  uint32_t low = UINT32_MAX;
  uint64_t high = 0;
  for (const SrecSegment& segment : segments) {
    if (segment.bytes.empty()) continue;
    low = std::min(low, segment.address);
    high = std::max<uint64_t>(high, uint64_t{segment.address} + segment.bytes.size());
  }
  if (low == UINT32_MAX) return {};
  lowestAddress = low;
  std::vector<uint8_t> flat(static_cast<size_t>(high - low), 0x00);
  for (const SrecSegment& segment : segments) {
    std::copy(segment.bytes.begin(), segment.bytes.end(),
              flat.begin() + static_cast<std::ptrdiff_t>(segment.address - low));
  }
  return flat;
}

SrecResult ParseSrec(std::string_view text, uint32_t addressLimit) {
  SrecResult result;
  SrecImage& image = result.image;
  bool sawRecord = false;
  bool sawEnd = false;
  int lineNumber = 0;
  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(pos, end - pos);
    pos = end + 1;
    ++lineNumber;
    // Files written on other systems end their lines with CR LF.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    if (line.empty()) continue;

    if (line[0] != 'S') return Fail(SrecError::kMalformed, lineNumber, "does not start with 'S'");
    if (line.size() < 2 || line[1] < '0' || line[1] > '9' || kAddressBytes[line[1] - '0'] == 0) {
      return Fail(SrecError::kMalformed, lineNumber,
                  "unknown record type '" + std::string(line.substr(0, 2)) + "'");
    }
    const int type = line[1] - '0';
    const std::string_view digits = line.substr(2);
    for (size_t i = 0; i < digits.size(); ++i) {
      if (HexDigitValue(digits[i]) < 0) {
        return Fail(SrecError::kMalformed, lineNumber,
                    "character " + std::to_string(i + 3) + " is not a hexadecimal digit");
      }
    }
    if (digits.size() % 2 != 0) {
      return Fail(SrecError::kMalformed, lineNumber, "odd number of hexadecimal digits");
    }
    std::vector<uint8_t> bytes(digits.size() / 2);
    for (size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<uint8_t>(HexDigitValue(digits[2 * i]) * 16 +
                                      HexDigitValue(digits[2 * i + 1]));
    }
    if (bytes.empty()) return Fail(SrecError::kMalformed, lineNumber, "no length byte");
    const size_t length = bytes[0];
    if (length != bytes.size() - 1) {
      return Fail(SrecError::kMalformed, lineNumber,
                  "length byte says " + std::to_string(length) + " bytes but the record holds " +
                      std::to_string(bytes.size() - 1));
    }
    const int addressBytes = kAddressBytes[type];
    if (length < static_cast<size_t>(addressBytes) + 1) {
      return Fail(SrecError::kMalformed, lineNumber, "too short for its address and checksum");
    }
    unsigned sum = 0;
    for (size_t i = 0; i + 1 < bytes.size(); ++i)
      sum += bytes[i];
    const unsigned expected = ~sum & 0xFFu;
    if (bytes.back() != expected) {
      return Fail(SrecError::kBadChecksum, lineNumber,
                  "bad checksum (record has " + TraceHex2(bytes.back()) + ", sum gives " +
                      TraceHex2(expected) + ")");
    }

    const uint32_t address = BigEndian(bytes, 1, addressBytes);
    const size_t dataFirst = 1 + static_cast<size_t>(addressBytes);
    const size_t dataCount = bytes.size() - 1 - dataFirst;
    if (sawEnd) {
      return Fail(SrecError::kMalformed, lineNumber, "record after the end record");
    }
    sawRecord = true;
    switch (type) {
      case 0:
        image.header.assign(bytes.begin() + static_cast<std::ptrdiff_t>(dataFirst),
                            bytes.end() - 1);
        break;
      case 1:
      case 2:
      case 3: {
        if (uint64_t{address} + dataCount > addressLimit) {
          return Fail(SrecError::kAddressOutOfRange, lineNumber,
                      "data at " + HexAddress(address) + " with " + std::to_string(dataCount) +
                          " bytes ends beyond " + HexAddress(addressLimit - 1));
        }
        ++image.dataRecords;
        if (dataCount == 0) break;
        const auto first = bytes.begin() + static_cast<std::ptrdiff_t>(dataFirst);
        if (!image.segments.empty() &&
            uint64_t{image.segments.back().address} + image.segments.back().bytes.size() ==
                address) {
          image.segments.back().bytes.insert(image.segments.back().bytes.end(), first,
                                             bytes.end() - 1);
        } else {
          image.segments.push_back({address, std::vector<uint8_t>(first, bytes.end() - 1)});
        }
        break;
      }
      case 5:
      case 6:
        if (dataCount != 0) {
          return Fail(SrecError::kMalformed, lineNumber, "count record carries data");
        }
        // A count that disagrees means records were lost or doubled on the way.
        if (address != image.dataRecords) {
          return Fail(SrecError::kMalformed, lineNumber,
                      "count record says " + std::to_string(address) + " data records, file has " +
                          std::to_string(image.dataRecords));
        }
        break;
      default:  // 7, 8, 9: end record with the start address
        if (dataCount != 0) {
          return Fail(SrecError::kMalformed, lineNumber, "end record carries data");
        }
        if (address >= addressLimit) {
          return Fail(
              SrecError::kAddressOutOfRange, lineNumber,
              "start address " + HexAddress(address) + " beyond " + HexAddress(addressLimit - 1));
        }
        image.startAddress = address;
        sawEnd = true;
        break;
    }
  }
  if (!sawRecord) return Fail(SrecError::kEmpty, 0, "no records");
  if (image.DataBytes() == 0) return Fail(SrecError::kNoData, 0, "no data records");
  return result;
}

SrecResult ReadSrecFile(const std::filesystem::path& path, uint32_t addressLimit) {
  std::error_code ec;
  const std::filesystem::file_status status = std::filesystem::status(path, ec);
  if (path.empty() || !std::filesystem::exists(status)) {
    return Fail(SrecError::kNotFound, 0, "no file '" + path.string() + "'");
  }
  if (!std::filesystem::is_regular_file(status)) {
    return Fail(SrecError::kUnreadable, 0, "'" + path.string() + "' is not a file");
  }
  const uintmax_t size = std::filesystem::file_size(path, ec);
  if (ec) return Fail(SrecError::kUnreadable, 0, "cannot read '" + path.string() + "'");
  if (size > kMaxFileSize) {
    return Fail(SrecError::kUnreadable, 0, "'" + path.string() + "' is too large for an image");
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) return Fail(SrecError::kUnreadable, 0, "cannot open '" + path.string() + "'");
  std::ostringstream contents;
  contents << in.rdbuf();
  if (in.bad()) return Fail(SrecError::kUnreadable, 0, "cannot read '" + path.string() + "'");
  const std::string text = contents.str();
  if (text.empty()) return Fail(SrecError::kEmpty, 0, "'" + path.string() + "' is empty");
  return ParseSrec(text, addressLimit);
}

}  // namespace halyard
