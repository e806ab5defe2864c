// The driver host against drivers that get things wrong: what it refuses to load, and the
// outputs it refuses or passes on exactly (tests/driver/HostileDriver.c).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "adapter/Statuses.h"
#include "driver/DriverHost.h"
#include "support/ScratchDir.h"

namespace halyard {
namespace {

using ::testing::HasSubstr;

TEST(DriverHostLoad, RefusesWhatIsNoUsableDriverWithOneLineOfReason) {
  const testing::ScratchDir scratch;
  const std::filesystem::path text = scratch.Write("text.so", "not a library\n");
  const struct {
    std::string library, argument, reason;
  } cases[] = {
      {"/no/such/libdriver.so", "", "no such file"},
      {scratch.path.string(), "", "not a regular file"},
      {text.string(), "", "not a loadable library"},
      {HOSTILE_NO_ENTRY, "well", "exports no halyard_driver_entry"},
      {HOSTILE_TOO_SMALL, "well", "too small for the interface's"},
      {HOSTILE_MAJOR_2, "well", "driver interface 2.7; this station knows interface 1.0"},
      {HOSTILE_MAJOR_0, "well", "driver interface 0.7"},
      {HOSTILE_BAD_NAME, "well", "its name is not UTF-8"},
      {HOSTILE_FULL, "no such mode\nsecond line", "hostile did not start: no such mode second"},
      {HOSTILE_FULL, "unreadable", "its reason is not readable text"},
      {HOSTILE_FULL, "", "did not start: no reason given"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.library + " " + c.argument);
    std::string error;
    EXPECT_EQ(DriverHost::Load(c.library, c.argument, error), nullptr);
    EXPECT_THAT(error, HasSubstr(c.reason));
    EXPECT_EQ(error.find('\n'), std::string::npos);
  }
}

// What the station's variables hold after the operations, each starting from the same values.
struct Seen {
  int16_t open = 0;
  int32_t listCount = 5;
  std::string names = "old";
  int16_t blockStatus = 0;
  std::vector<uint8_t> block = std::vector<uint8_t>(129, 0xEE);
  int16_t blockCount = -9;
  int16_t programStatus = 0;
  std::string path = "p", second = "\xFF\xFE", third = "t";  // second: not UTF-8, kept as is
  int16_t wordStatus = 0;

  bool operator==(const Seen&) const = default;
};

Seen RunOperations(DriverHost& host) {
  Seen seen;
  seen.open = host.OpenDevice("A");
  host.ListDevices(2, seen.listCount, seen.names);
  seen.blockStatus = host.ReadSmbusBlock(0x20, seen.block, seen.blockCount, 0x16);
  seen.programStatus = host.ProgramSrec(seen.path, seen.second, seen.third);
  int16_t word = 0;
  seen.wordStatus = host.ReadSmbusWord(0x0D, word, 0x16);
  return seen;
}

TEST(DriverHostOutputs, AreRefusedAsDocumentedOrPassedOnExactly) {
  const Seen untouched;
  Seen well = untouched;
  well.listCount = 2;
  well.names = "A,B";
  well.block = {1, 2, 3};  // the array as the driver resized it, its count beyond it
  well.blockCount = 7;
  well.path = "path!";
  well.third = "third!";
  // Lengths the host cannot trust: the outputs are dropped, the caller's values stay.
  Seen badLength = untouched;
  badLength.listCount = 0;
  badLength.names = "";
  badLength.blockStatus = badLength.programStatus = kStatusDriverBadLength;
  // Texts that are not UTF-8 or hold a NUL: the list and the texts are refused, the bytes not.
  Seen badText = well;
  badText.listCount = 0;
  badText.names = "";
  badText.programStatus = kStatusDriverBadText;
  badText.path = untouched.path;
  badText.third = untouched.third;
  Seen stationStatus = well;
  stationStatus.open = -1;  // a station status cannot mean "opened"
  stationStatus.blockStatus = stationStatus.programStatus = stationStatus.wordStatus =
      kStatusDriverStationStatus;
  const std::pair<const char*, Seen> cases[] = {
      {"well", well},        {"long", badLength}, {"negative", badLength},
      {"bad-utf8", badText}, {"nul", badText},    {"station-status", stationStatus}};
  for (const auto& [mode, expected] : cases) {
    SCOPED_TRACE(mode);
    std::string error;
    std::unique_ptr<DriverHost> host = DriverHost::Load(HOSTILE_FULL, mode, error);
    ASSERT_NE(host, nullptr) << error;
    const Seen seen = RunOperations(*host);
    EXPECT_EQ(seen, expected);
  }
}

TEST(DriverHostOutputs, MissingEntriesAndEntriesPastTheTableAnswerNotSupported) {
  std::string error;
  std::unique_ptr<DriverHost> full = DriverHost::Load(HOSTILE_FULL, "well", error);
  std::unique_ptr<DriverHost> cut = DriverHost::Load(HOSTILE_CUT_SHORT, "well", error);
  ASSERT_TRUE(full && cut) << error;
  int16_t value = 0;
  std::string text;
  const std::vector<uint8_t> bytes(33, 0);
  // The full table leaves these five out; the short one ends inside read_smbus_word.
  EXPECT_EQ(full->WriteSmbusBlock(0x10, bytes, 33, 0x17), kStatusNotSupported);
  EXPECT_EQ(full->SendSmbusCommand(0x08, 0x17), kStatusNotSupported);
  EXPECT_EQ(full->I2cAccess(2, 0xA0, 0x51, value), kStatusNotSupported);
  EXPECT_EQ(full->ReadSwbWord(2, 0x20, value), kStatusNotSupported);
  EXPECT_EQ(full->GetAdapterVersion(value, value), kStatusNotSupported);
  full->CloseDevice();  // no entry: nothing happens
  EXPECT_EQ(cut->WriteSmbusWord(0x09, 0, 0x16), 0);
  EXPECT_EQ(cut->ReadSmbusWord(0x0B, value, 0x16), kStatusNotSupported);
  EXPECT_EQ(value, 0);
  EXPECT_EQ(cut->GetWriteStatus(), kStatusNotSupported);
  EXPECT_EQ(cut->ProgramSrec(text, text, text), kStatusNotSupported);
}

}  // namespace
}  // namespace halyard
