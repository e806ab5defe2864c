// Tests of the S-record reader, with binutils' objcopy as an independent judge of which files
// are good and what bytes they hold.
#include "sim/Srec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "SimTestFiles.h"

namespace halyard {
namespace {

using testing::ScratchDir;

// Builds one record from its parts, computing length and checksum as the format defines them.
std::string Record(int type, uint32_t address, const std::vector<uint8_t>& data) {
  const int addressBytes = (type == 2 || type == 6 || type == 8) ? 3
                           : (type == 3 || type == 7)            ? 4
                                                                 : 2;
  std::vector<uint8_t> body{static_cast<uint8_t>(addressBytes + data.size() + 1)};
  for (int i = addressBytes - 1; i >= 0; --i)
    body.push_back(static_cast<uint8_t>(address >> (8 * i)));
  body.insert(body.end(), data.begin(), data.end());
  unsigned sum = 0;
  for (uint8_t b : body)
    sum += b;
  body.push_back(static_cast<uint8_t>(0xFF - (sum & 0xFF)));
  std::string out = "S" + std::to_string(type);
  for (uint8_t b : body) {
    char buf[3];
    std::snprintf(buf, sizeof buf, "%02X", b);
    out += buf;
  }
  return out;
}

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<uint8_t>(seed + i * 7);
  return bytes;
}

// A small good file: header, three data records (two of them adjacent), count, end.
std::string SmallGoodFile() {
  return Record(0, 0, {'t', 'e', 's', 't'}) + "\n" + Record(1, 0x1000, Pattern(16, 1)) + "\n" +
         Record(1, 0x1010, Pattern(8, 2)) + "\n" + Record(1, 0x2000, Pattern(4, 3)) + "\n" +
         Record(5, 3, {}) + "\n" + Record(9, 0x1000, {}) + "\n";
}

TEST(SrecParse, ReadsHeaderDataAndStartAndMergesAdjacentRecords) {
  const SrecResult result = ParseSrec(SmallGoodFile());
  ASSERT_TRUE(result.Ok()) << result.message;
  EXPECT_EQ(result.image.header, "test");
  ASSERT_EQ(result.image.segments.size(), 2u);
  EXPECT_EQ(result.image.segments[0].address, 0x1000u);
  std::vector<uint8_t> first = Pattern(16, 1);
  const std::vector<uint8_t> second = Pattern(8, 2);
  first.insert(first.end(), second.begin(), second.end());
  EXPECT_EQ(result.image.segments[0].bytes, first);
  EXPECT_EQ(result.image.segments[1].address, 0x2000u);
  EXPECT_EQ(result.image.DataBytes(), 28u);
  EXPECT_EQ(result.image.dataRecords, 3u);
  EXPECT_EQ(result.image.startAddress, 0x1000u);
  // Flatten, gaps and all, is judged against objcopy below.
}

TEST(SrecParse, ReportsTheKindAndLineOfEachFault) {
  struct BadCase {
    const char* what;
    std::string text;
    SrecError error;
    int line;
  };
  const std::string good = Record(1, 0x100, Pattern(4, 0));
  std::string badChecksum = good;
  badChecksum.back() = badChecksum.back() == '0' ? '1' : '0';
  std::string longLength = good;
  longLength[3] = static_cast<char>(longLength[3] + 1);  // the length byte says one more
  const std::vector<BadCase> cases = {
      {"no S", good + "\n" + good.substr(1) + "\n", SrecError::kMalformed, 2},
      {"lower-case s", "s" + good.substr(1) + "\n", SrecError::kMalformed, 1},
      {"S4 does not exist", good + "\nS4030000FC\n", SrecError::kMalformed, 2},
      {"type missing", "S\n", SrecError::kMalformed, 1},
      {"trailing blank", good + " \n", SrecError::kMalformed, 1},
      {"length byte too large", longLength + "\n", SrecError::kMalformed, 1},
      {"length too short for address", "S1020000\n", SrecError::kMalformed, 1},
      {"bad checksum", good + "\n" + badChecksum + "\n", SrecError::kBadChecksum, 2},
      {"data past 64 KiB", Record(1, 0xFFF0, Pattern(17, 0)) + "\n", SrecError::kAddressOutOfRange,
       1},
      {"S3 data above 64 KiB", good + "\n" + Record(3, 0x10000, {1}) + "\n",
       SrecError::kAddressOutOfRange, 2},
      {"start above 64 KiB", good + "\n" + Record(8, 0x10000, {}) + "\n",
       SrecError::kAddressOutOfRange, 2},
      {"record after end", Record(9, 0, {}) + "\n" + good + "\n", SrecError::kMalformed, 2},
      {"second end record", good + "\n" + Record(9, 0, {}) + "\n" + Record(9, 0, {}) + "\n",
       SrecError::kMalformed, 3},
      {"count disagrees", good + "\n" + Record(5, 2, {}) + "\n", SrecError::kMalformed, 2},
      {"empty text", "", SrecError::kEmpty, 0},
      {"only blank lines", "\n\r\n\n", SrecError::kEmpty, 0},
      {"header only", Record(0, 0, {'h'}) + "\n" + Record(9, 0, {}) + "\n", SrecError::kNoData, 0},
      {"data record without bytes", Record(1, 0x10, {}) + "\n", SrecError::kNoData, 0},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.what);
    const SrecResult result = ParseSrec(c.text);
    EXPECT_EQ(result.error, c.error) << result.message;
    EXPECT_EQ(result.line, c.line);
    const std::string prefix = c.line > 0 ? "line " + std::to_string(c.line) + ": " : "";
    EXPECT_EQ(result.message.rfind(prefix, 0), 0u) << result.message;
    EXPECT_GT(result.message.size(), prefix.size());
  }
}

// --- objcopy as the judge ---

bool HaveObjcopy() {
  static const bool have = std::system("command -v objcopy >/dev/null 2>&1") == 0;
  return have;
}

struct Verdict {
  bool accepted = false;
  std::vector<uint8_t> bytes;
};

// The binary goes to `outDir`, never beside the file judged (which may be a shipped image).
Verdict Objcopy(const std::filesystem::path& srec, const std::filesystem::path& outDir) {
  const std::filesystem::path bin = outDir / "judged.bin";
  std::filesystem::remove(bin);
  const std::string command =
      "objcopy -I srec -O binary '" + srec.string() + "' '" + bin.string() + "' >/dev/null 2>&1";
  Verdict verdict;
  verdict.accepted = std::system(command.c_str()) == 0;
  if (verdict.accepted) {
    const std::string text = testing::ReadText(bin);
    verdict.bytes.assign(text.begin(), text.end());
  }
  return verdict;
}

// Our reader must accept the file; objcopy, when installed, must agree on every byte.
void ExpectGoodAndSameAsObjcopy(const std::filesystem::path& file,
                                const std::filesystem::path& outDir) {
  const SrecResult ours = ReadSrecFile(file);
  ASSERT_TRUE(ours.Ok()) << ours.message;
  if (!HaveObjcopy()) return;
  const Verdict judge = Objcopy(file, outDir);
  ASSERT_TRUE(judge.accepted) << "the judge refused it";
  uint32_t low = 0;
  EXPECT_EQ(ours.image.Flatten(low), judge.bytes);
}

TEST(SrecVersusObjcopy, GoodFilesGiveTheSameBytes) {
  ScratchDir dir;
  std::string lower = Record(3, 0x0000FF00, Pattern(4, 9));
  for (size_t i = 2; i < lower.size(); ++i)
    lower[i] = static_cast<char>(std::tolower(lower[i]));
  const std::vector<std::pair<std::string, std::string>> files = {
      {"small", SmallGoodFile()},
      {"gaps, wide addresses, S8 start",
       Record(2, 0x000100, Pattern(20, 4)) + "\n" + Record(3, 0x00000400, Pattern(3, 8)) + "\n" +
           Record(1, 0x0050, Pattern(2, 6)) + "\n" + Record(8, 0x000100, {}) + "\n"},
      {"crlf, blank line, lower case, no final end",
       Record(1, 0, Pattern(5, 1)) + "\r\n\r\n" + lower},
      {"data ending at the last byte",
       Record(1, 0xFFF0, Pattern(16, 2)) + "\n" + Record(9, 0xFFF0, {}) + "\n"},
  };
  for (const auto& [name, text] : files) {
    SCOPED_TRACE(name);
    ExpectGoodAndSameAsObjcopy(dir.Write("good.srec", text), dir.Path());
  }
}

TEST(SrecVersusObjcopy, ShippedFirmwarePassesBothReaders) {
  ScratchDir dir;
  for (const char* name : {"halyard-fw.srec", "gxTrim.srec"}) {
    SCOPED_TRACE(name);
    ExpectGoodAndSameAsObjcopy(testing::FirmwareFile(name), dir.Path());
    EXPECT_GT(ReadSrecFile(testing::FirmwareFile(name)).image.DataBytes(), 256u);
  }
}

// Damages every data and end record of a good file in several ways; objcopy and our reader must
// both refuse, and ours must name the damaged line. (objcopy does not check header and count
// records closely, so the judge is not asked about those; the table above covers them.)
TEST(SrecVersusObjcopy, DamagedFilesAreRefusedByBoth) {
  if (!HaveObjcopy()) GTEST_SKIP() << "objcopy not installed";
  ScratchDir dir;
  std::vector<std::string> lines;
  std::istringstream in(SmallGoodFile());
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  const auto flip = [](char c) { return c == '7' ? '8' : '7'; };
  int damaged = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    if (line[1] == '0' || line[1] == '5') continue;
    const std::vector<std::pair<std::string, std::string>> variants = {
        {"checksum changed", line.substr(0, line.size() - 1) + flip(line.back())},
        {"digit in body changed", line.substr(0, 8) + flip(line[8]) + line.substr(9)},
        {"last digit cut", line.substr(0, line.size() - 1)},
        {"non-hex character", line.substr(0, 6) + "Q" + line.substr(7)},
        {"length byte raised", line.substr(0, 2) + (line[2] == '0' ? '1' : '2') + line.substr(3)},
    };
    for (const auto& [what, replacement] : variants) {
      SCOPED_TRACE("line " + std::to_string(i + 1) + ", " + what);
      std::string text;
      for (size_t j = 0; j < lines.size(); ++j)
        text += (j == i ? replacement : lines[j]) + "\n";
      const std::filesystem::path file = dir.Write("damaged.srec", text);
      EXPECT_FALSE(Objcopy(file, dir.Path()).accepted) << "the judge accepted it";
      const SrecResult ours = ReadSrecFile(file);
      EXPECT_FALSE(ours.Ok());
      EXPECT_EQ(ours.line, static_cast<int>(i + 1)) << ours.message;
      ++damaged;
    }
  }
  EXPECT_EQ(damaged, 20);
}

}  // namespace
}  // namespace halyard
