// Our own reader of Motorola S-record files: strict enough that the simulated controller refuses
// what real programming hardware would refuse, lenient where older tools differ harmlessly
// (CR, LF or CR LF line ends, trailing blanks, blank lines, a Ctrl-Z end-of-file mark), and it
// never stops the process on bad input.
#include "sim/Srec.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdio>

#include "adapter/BusCall.h"  // TraceHex2
#include "adapter/Utils.h"    // HexDigitValue
#include "sim/Json.h"         // EchoText
#include "sim/TextFile.h"     // kMaxBenchFileBytes: the same bound for an image file

namespace halyard {
namespace {

constexpr char kCtrlZ = 0x1A;  // the end-of-file mark some older tools append

// Bytes of the address field for each record type; 0 marks a type that does not exist (S4).
constexpr int kAddressBytes[10] = {2, 2, 3, 4, 0, 2, 3, 4, 3, 2};

std::string Hex(uint32_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(value));
  return buf;
}

// Takes the lines of a file one at a time and builds the image; remembers the first fault.
class SrecReader {
 public:
  explicit SrecReader(uint32_t addressLimit) : limit_(addressLimit) {}

  // One line without its line end. False once a fault is found.
  bool Line(std::string_view line);
  SrecResult Finish();

 private:
  bool Fail(SrecError error, const std::string& what) {
    result_.error = error;
    result_.line = lineNumber_;
    result_.message = "line " + std::to_string(lineNumber_) + ": " + what;
    return false;
  }
  bool Record(int type, const uint8_t* bytes, size_t size);
  // What a well-formed record does to the image.
  bool Apply(int type, uint32_t address, const uint8_t* data, size_t dataCount);

  uint32_t limit_;
  SrecResult result_;
  int lineNumber_ = 0;
  bool sawRecord_ = false;
  bool sawEnd_ = false;
  bool sawCtrlZ_ = false;
};

bool SrecReader::Line(std::string_view line) {
  ++lineNumber_;
  while (!line.empty() && (line.back() == ' ' || line.back() == '\t'))
    line.remove_suffix(1);
  if (!line.empty() && line.back() == kCtrlZ && !sawCtrlZ_) {
    sawCtrlZ_ = true;
    line.remove_suffix(1);
    if (line.empty()) return true;
  } else if (line.empty()) {
    return true;
  } else if (sawCtrlZ_) {
    return Fail(SrecError::kMalformed, "text after the Ctrl-Z end-of-file mark");
  }
  if (line[0] != 'S') return Fail(SrecError::kMalformed, "does not start with 'S'");
  if (line.size() < 2 || line[1] < '0' || line[1] > '9' || kAddressBytes[line[1] - '0'] == 0) {
    return Fail(SrecError::kMalformed,
                "unknown record type '" + TraceText(std::string(line.substr(0, 2))) + "'");
  }
  const std::string_view digits = line.substr(2);
  for (size_t i = 0; i < digits.size(); ++i) {
    if (HexDigitValue(digits[i]) < 0) {
      return Fail(SrecError::kMalformed,
                  "character " + std::to_string(i + 3) + " is not a hexadecimal digit");
    }
  }
  if (digits.size() % 2 != 0)
    return Fail(SrecError::kMalformed, "odd number of hexadecimal digits");
  if (digits.empty()) return Fail(SrecError::kMalformed, "no length byte");
  // The length byte allows at most 255 bytes after it.
  std::array<uint8_t, 257> bytes;
  const size_t size = digits.size() / 2;
  if (size > bytes.size()) {
    return Fail(SrecError::kMalformed, "record holds " + std::to_string(size - 1) +
                                           " bytes, more than a length byte can say");
  }
  for (size_t i = 0; i < size; ++i) {
    bytes[i] =
        static_cast<uint8_t>(HexDigitValue(digits[2 * i]) * 16 + HexDigitValue(digits[2 * i + 1]));
  }
  return Record(line[1] - '0', bytes.data(), size);
}

bool SrecReader::Record(int type, const uint8_t* bytes, size_t size) {
  const size_t length = bytes[0];
  if (length != size - 1) {
    return Fail(SrecError::kMalformed, "length byte says " + std::to_string(length) +
                                           " bytes but the record holds " +
                                           std::to_string(size - 1));
  }
  const size_t addressBytes = static_cast<size_t>(kAddressBytes[type]);
  if (length < addressBytes + 1) {
    return Fail(SrecError::kMalformed, "too short for its address and checksum");
  }
  unsigned sum = 0;
  for (size_t i = 0; i + 1 < size; ++i)
    sum += bytes[i];
  const unsigned expected = ~sum & 0xFFu;
  if (bytes[size - 1] != expected) {
    return Fail(SrecError::kBadChecksum, "bad checksum (record has " + TraceHex2(bytes[size - 1]) +
                                             ", sum gives " +
                                             TraceHex2(static_cast<int>(expected)) + ")");
  }
  if (sawEnd_) return Fail(SrecError::kMalformed, "record after the end record");
  uint32_t address = 0;
  for (size_t i = 0; i < addressBytes; ++i)
    address = (address << 8) | bytes[1 + i];
  sawRecord_ = true;
  return Apply(type, address, bytes + 1 + addressBytes, size - 2 - addressBytes);
}

bool SrecReader::Apply(int type, uint32_t address, const uint8_t* data, size_t dataCount) {
  SrecImage& image = result_.image;
  switch (type) {
    case 0:
      image.header.assign(data, data + dataCount);
      return true;
    case 1:
    case 2:
    case 3:
      if (uint64_t{address} + dataCount > limit_) {
        return Fail(SrecError::kAddressOutOfRange, "data at " + Hex(address) + " with " +
                                                       std::to_string(dataCount) +
                                                       " bytes ends beyond " + Hex(limit_ - 1));
      }
      ++image.dataRecords;
      image.Write(address, data, dataCount);
      return true;
    case 5:
    case 6:
      if (dataCount != 0) return Fail(SrecError::kMalformed, "count record carries data");
      // A count that disagrees means records were lost or doubled on the way.
      if (address != image.dataRecords) {
        return Fail(SrecError::kMalformed, "count record says " + std::to_string(address) +
                                               " data records, file has " +
                                               std::to_string(image.dataRecords));
      }
      return true;
    default:  // 7, 8, 9: end record with the start address
      if (dataCount != 0) return Fail(SrecError::kMalformed, "end record carries data");
      if (address >= limit_) {
        return Fail(SrecError::kAddressOutOfRange,
                    "start address " + Hex(address) + " beyond " + Hex(limit_ - 1));
      }
      image.startAddress = address;
      sawEnd_ = true;
      return true;
  }
}

SrecResult SrecReader::Finish() {
  if (result_.error == SrecError::kNone) {
    const auto whole = [&](SrecError error, const char* what) {
      result_.error = error;
      result_.message = what;
    };
    if (!sawRecord_) {
      whole(SrecError::kEmpty, "no records");
    } else if (!sawEnd_) {
      // A file cut off on the way is never programmed in part.
      whole(SrecError::kNoEnd, "no end record (S7, S8 or S9): the file is cut off");
    } else if (result_.image.DataBytes() == 0) {
      whole(SrecError::kNoData, "no data records");
    }
  }
  return std::move(result_);
}

// Splits text into lines at LF, CR or CR LF, carrying a part line from one piece to the next.
class LineSplitter {
 public:
  explicit LineSplitter(SrecReader& reader) : reader_(reader) {}
  bool Feed(std::string_view piece) {
    for (size_t i = 0; i < piece.size(); ++i) {
      const char c = piece[i];
      if (c == '\n' && afterCr_) {
        afterCr_ = false;
        continue;
      }
      afterCr_ = c == '\r';
      if (c != '\n' && c != '\r') {
        const size_t end = piece.find_first_of("\r\n", i);
        const size_t stop = end == std::string_view::npos ? piece.size() : end;
        carry_.append(piece.substr(i, stop - i));
        i = stop - 1;
        continue;
      }
      if (!reader_.Line(carry_)) return false;
      carry_.clear();
    }
    return true;
  }
  bool End() { return carry_.empty() || reader_.Line(carry_); }

 private:
  SrecReader& reader_;
  std::string carry_;
  bool afterCr_ = false;
};

SrecResult Fail(SrecError error, const std::string& what) {
  SrecResult result;
  result.error = error;
  result.message = what;
  return result;
}

}  // namespace

void SrecImage::Write(uint32_t address, const uint8_t* bytes, size_t size) {
  if (size == 0) return;
  if (memory_.size() < address + size) memory_.resize(address + size, 0x00);
  std::copy(bytes, bytes + size, memory_.begin() + address);
  low_ = std::min(low_, address);
  dataBytes_ += size;
}

std::vector<uint8_t> SrecImage::Flatten(uint32_t& lowestAddress) const {
  lowestAddress = 0;
  if (dataBytes_ == 0) return {};
  lowestAddress = low_;
  return std::vector<uint8_t>(memory_.begin() + low_, memory_.end());
}

SrecResult ParseSrec(std::string_view text, uint32_t addressLimit) {
  SrecReader reader(addressLimit);
  LineSplitter lines(reader);
  if (lines.Feed(text)) lines.End();
  return reader.Finish();
}

SrecResult ReadSrecFile(const std::filesystem::path& path, uint32_t addressLimit) {
  const std::string name = "'" + path.string() + "'";
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    return path.empty() || errno == ENOENT ? Fail(SrecError::kNotFound, "no file " + name)
                                           : Fail(SrecError::kUnreadable, "cannot open " + name);
  }
  struct stat info {};
  SrecResult result;
  if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
    result = Fail(SrecError::kUnreadable, name + " is not a file");
  } else if (static_cast<uintmax_t>(info.st_size) > kMaxBenchFileBytes) {
    result = Fail(SrecError::kUnreadable, name + " is too large for an image");
  } else if (info.st_size == 0) {
    result = Fail(SrecError::kEmpty, name + " is empty");
  } else {
    SrecReader reader(addressLimit);
    LineSplitter lines(reader);
    std::array<char, 65536> buffer;
    ssize_t n = 0;
    bool going = true;
    while (going &&
           ((n = ::read(fd, buffer.data(), buffer.size())) > 0 || (n < 0 && errno == EINTR)))
      going = n < 0 || lines.Feed(std::string_view(buffer.data(), static_cast<size_t>(n)));
    if (going && n < 0) {
      result = Fail(SrecError::kUnreadable, "cannot read " + name);
    } else {
      if (going) lines.End();
      result = reader.Finish();
    }
  }
  ::close(fd);
  return result;
}

}  // namespace halyard
