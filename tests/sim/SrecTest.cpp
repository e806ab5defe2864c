// The S-record reader, with binutils' objcopy as an independent judge of which files are good
// and what bytes they hold.
#include "sim/Srec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "SimTestFiles.h"

namespace halyard {
namespace {

// One record with `size` pattern bytes, its length and checksum computed as the format defines.
std::string Record(int type, uint32_t address, size_t size, uint8_t seed = 0) {
  const int addressBytes = type == 2 || type == 8 ? 3 : type == 3 || type == 7 ? 4 : 2;
  std::vector<uint8_t> body{static_cast<uint8_t>(addressBytes + size + 1)};
  for (int i = addressBytes - 1; i >= 0; --i)
    body.push_back(static_cast<uint8_t>(address >> (8 * i)));
  for (size_t i = 0; i < size; ++i)
    body.push_back(static_cast<uint8_t>(seed + i * 7));
  unsigned sum = 0;
  for (uint8_t b : body)
    sum += b;
  body.push_back(static_cast<uint8_t>(~sum));
  std::string out = "S" + std::to_string(type);
  char hex[3];
  for (uint8_t b : body) {
    std::snprintf(hex, sizeof hex, "%02X", b);
    out += hex;
  }
  return out + "\n";
}

// objcopy's bytes from the lowest address written, or nothing when it refuses the file.
std::optional<std::string> Objcopy(const std::filesystem::path& srec,
                                   const std::filesystem::path& bin) {
  std::filesystem::remove(bin);
  const std::string command =
      "objcopy -I srec -O binary '" + srec.string() + "' '" + bin.string() + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return std::nullopt;
  return testing::ReadText(bin);
}

TEST(Srec, AgreesWithObjcopyOnGoodAndDamagedFiles) {
  const bool judge = std::system("command -v objcopy >/dev/null 2>&1") == 0;
  testing::ScratchDir dir;
  const std::filesystem::path bin = dir.path / "judged.bin";  // never beside a shipped image
  const std::string small = Record(0, 0, 4) + Record(1, 0x1000, 16, 1) + Record(1, 0x1010, 8, 2) +
                            Record(1, 0x2000, 4, 3) + Record(5, 3, 0) + Record(9, 0x1000, 0);
  std::string lower = Record(3, 0xFF00, 4, 9);
  std::transform(lower.begin() + 2, lower.end(), lower.begin() + 2,
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::string crlf = Record(1, 0, 5, 1);
  crlf.insert(crlf.size() - 1, "\r");
  crlf += "\r\n" + lower;
  const std::vector<std::filesystem::path> good = {
      testing::FirmwareFile("halyard-fw.srec"),
      testing::FirmwareFile("gxTrim.srec"),
      dir.Write("small.srec", small),
      dir.Write("gaps-wide-addresses.srec", Record(2, 0x100, 20, 4) + Record(3, 0x400, 3, 8) +
                                                Record(1, 0x50, 2, 6) + Record(8, 0x100, 0)),
      dir.Write("crlf-blank-lower-no-end.srec", crlf),
      dir.Write("up-to-last-byte.srec", Record(1, 0xFFF0, 16, 2) + Record(9, 0xFFF0, 0)),
  };
  for (const std::filesystem::path& file : good) {
    SCOPED_TRACE(file.string());
    const SrecResult ours = ReadSrecFile(file);
    ASSERT_TRUE(ours.Ok()) << ours.message;
    uint32_t low = 0;
    const std::vector<uint8_t> flat = ours.image.Flatten(low);
    const std::optional<std::string> bytes = std::string(flat.begin(), flat.end());
    EXPECT_EQ(judge ? Objcopy(file, bin) : bytes, bytes) << "objcopy reads it otherwise";
  }

  // Every data and end record of the small file damaged in five ways: both readers refuse, and
  // ours names the line. (objcopy does not check header and count records closely.)
  std::vector<std::string> lines;
  std::istringstream in(small);
  for (std::string line; std::getline(in, line);)
    lines.push_back(line);
  const auto flip = [](char c) { return c == '7' ? '8' : '7'; };
  for (size_t i : {1, 2, 3, 5}) {
    const std::string& line = lines[i];
    const std::vector<std::string> variants = {
        line.substr(0, line.size() - 1) + flip(line.back()),                // checksum
        line.substr(0, 8) + flip(line[8]) + line.substr(9),                 // a body digit
        line.substr(0, line.size() - 1),                                    // last digit cut
        line.substr(0, 6) + "Q" + line.substr(7),                           // not hex
        line.substr(0, 2) + (line[2] == '0' ? '1' : '2') + line.substr(3),  // length raised
    };
    for (size_t v = 0; v < variants.size(); ++v) {
      SCOPED_TRACE("line " + std::to_string(i + 1) + ", damage " + std::to_string(v));
      std::string text;
      for (size_t j = 0; j < lines.size(); ++j)
        text += (j == i ? variants[v] : lines[j]) + "\n";
      const std::filesystem::path file = dir.Write("damaged.srec", text);
      EXPECT_EQ(judge ? Objcopy(file, bin) : std::nullopt, std::nullopt) << "objcopy took it";
      const SrecResult ours = ReadSrecFile(file);
      EXPECT_FALSE(ours.Ok());
      EXPECT_EQ(ours.line, static_cast<int>(i + 1)) << ours.message;
    }
  }
}

}  // namespace
}  // namespace halyard
