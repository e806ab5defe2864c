// The S-record reader, with binutils' objcopy as an independent judge of which files are good
// and what bytes they hold.
#include "sim/Srec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>
#include <optional>
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
  body.push_back(static_cast<uint8_t>(~std::accumulate(body.begin(), body.end(), 0u)));
  std::string out = "S" + std::to_string(type);
  for (uint8_t b : body)
    out += "0123456789ABCDEF"[b >> 4] + std::string(1, "0123456789ABCDEF"[b & 15]);
  return out + "\n";
}

// Records joined with another line end.
std::string Join(std::vector<std::string> records, const std::string& lineEnd) {
  std::string out;
  for (std::string& record : records)
    out += record.replace(record.size() - 1, 1, lineEnd);
  return out;
}

// Where ours differs from objcopy on purpose, objcopy's verdict is not asked: ours refuses a file
// cut off before its end record, a count that disagrees and an S4 record, and takes trailing
// tabs, which some older tools write.
struct SrecCase {
  std::filesystem::path file;
  SrecError error = SrecError::kNone;
  int line = 0;  // the line ours must name
  bool judged = true;
};

TEST(Srec, AgreesWithObjcopyOnGoodAndDamagedFiles) {
  const bool judge = std::system("command -v objcopy >/dev/null 2>&1") == 0;
  testing::ScratchDir dir;
  const std::filesystem::path bin = dir.path / "judged.bin";  // never beside a shipped image
  const std::vector<std::string> small = {Record(0, 0, 4),         Record(1, 0x1000, 16, 1),
                                          Record(1, 0x1010, 8, 2), Record(1, 0x2000, 4, 3),
                                          Record(5, 3, 0),         Record(9, 0x1000, 0)};
  const std::string good = Join(small, "\n");
  const std::string noEnd = Join({small.begin(), small.end() - 1}, "\n");
  using E = SrecError;
  std::vector<SrecCase> cases = {
      {testing::FirmwareFile("halyard-fw.srec")},
      {testing::FirmwareFile("gxTrim.srec")},
      {dir.Write("small.srec", good)},
      {dir.Write("gaps-wide.srec", Record(2, 0x100, 20, 4) + Record(3, 0x400, 3, 8) +
                                       Record(1, 0x50, 2, 6) + Record(8, 0x100, 0))},
      {dir.Write("crlf-blank-lower.srec", Record(1, 0, 5, 1).replace(20, 1, "\r\n\r\n") +
                                              "S3090000ff000910171ea9\n" +
                                              Record(9, 0, 0))},  // an S3 record in lower case
      {dir.Write("cr-only.srec", Join(small, "\r"))},
      {dir.Write("blanks-tabs.srec", Join(small, " \t\n")), E::kNone, 0, false},
      {dir.Write("ctrl-z.srec", Join(small, "\r\n") + "\x1A")},
      {dir.Write("ctrl-z-on-end-line.srec", good.substr(0, good.size() - 1) + "\x1A\n\n")},
      {dir.Write("up-to-last-byte.srec", Record(1, 0xFFF0, 16, 2) + Record(9, 0xFFF0, 0))},
      {dir.Write("no-end.srec", noEnd), E::kNoEnd, 0, false},
      {dir.Write("cut-mid-record.srec", noEnd + small.back().substr(0, 5)), E::kMalformed, 6},
      {dir.Write("after-ctrl-z.srec", noEnd + "\x1A\n" + small.back()), E::kMalformed, 7},
      {dir.Write("after-end.srec", good + small[1]), E::kMalformed, 7, false},
      {dir.Write("s4.srec", "S4030000FC\n" + good), E::kMalformed, 1, false},
      {dir.Write("count.srec", Join({small[1], Record(5, 2, 0), small.back()}, "\n")),
       E::kMalformed, 2, false},
      {dir.Write("leading-blank.srec", " " + good), E::kMalformed, 1}};
  // Every data and end record with a wrong checksum or cut short by a byte. (objcopy does not
  // check header and count records closely.)
  for (size_t i : {1, 2, 3, 5}) {
    std::vector<std::string> damaged = small;
    std::string& line = damaged[i];
    line[line.size() - 2] = line[line.size() - 2] == '7' ? '8' : '7';
    cases.push_back({dir.Write("sum" + std::to_string(i), Join(damaged, "\n")), E::kBadChecksum,
                     static_cast<int>(i + 1)});
    line.erase(line.size() - 3, 2);
    cases.push_back({dir.Write("cut" + std::to_string(i), Join(damaged, "\n")), E::kMalformed,
                     static_cast<int>(i + 1)});
  }
  for (const SrecCase& c : cases) {
    SCOPED_TRACE(c.file.string());
    const SrecResult ours = ReadSrecFile(c.file);
    EXPECT_EQ(ours.error, c.error) << ours.message;
    EXPECT_EQ(ours.line, c.line) << ours.message;
    EXPECT_EQ(ParseSrec(testing::ReadText(c.file)).error, c.error) << "the same from text";
    uint32_t low = 0;
    const std::vector<uint8_t> flat = ours.image.Flatten(low);
    const std::optional<std::string> bytes =
        ours.Ok() ? std::optional(std::string(flat.begin(), flat.end())) : std::nullopt;
    if (!judge || !c.judged) continue;
    const std::string command = "objcopy -I srec -O binary '" + c.file.string() + "' '" +
                                bin.string() + "' >/dev/null 2>&1";
    const bool taken = std::system(command.c_str()) == 0;
    EXPECT_EQ(taken ? std::optional(testing::ReadText(bin)) : std::nullopt, bytes)
        << "objcopy reads it otherwise";
  }
}

}  // namespace
}  // namespace halyard
