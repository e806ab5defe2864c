// The record's own formats: digests, ids, times, --since and the JSON line.
#include <set>

#include "RecordTesting.h"
#include "records/Sha256.h"

namespace halyard::records {
namespace {

using testing::SampleRecord;

TEST(RecordFormat, DigestsIdsAndTimes) {
  EXPECT_EQ(Sha256Hex(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(Sha256Hex("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  // 56 bytes: the padding needs a block of its own.
  EXPECT_EQ(Sha256Hex("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  testing::Scratch scratch;
  const std::string big(200000, 'x');  // more than one piece of the file reader
  std::ofstream(scratch / "image", std::ios::binary) << big;
  std::string hex;
  ASSERT_TRUE(Sha256OfFile(scratch / "image", hex));
  EXPECT_EQ(hex, Sha256Hex(big));
  EXPECT_FALSE(Sha256OfFile(scratch.path(), hex));

  std::set<std::string> ids;
  for (int i = 0; i < 100; ++i) {
    const std::string id = NewRecordId();
    ASSERT_EQ(id.size(), 36u);
    EXPECT_EQ(id[14], '4') << id;
    EXPECT_NE(std::string("89ab").find(id[19]), std::string::npos) << id;
    ids.insert(id);
  }
  EXPECT_EQ(ids.size(), 100u);
  using namespace std::chrono;
  EXPECT_EQ(FormatUtc(system_clock::time_point(milliseconds(1796560496789))),
            "2026-12-06T12:34:56.789Z");
  EXPECT_EQ(FormatUtc(system_clock::time_point(milliseconds(5))), "1970-01-01T00:00:00.005Z");
}

TEST(RecordFormat, SinceTakesADateOrATimeAndNothingElse) {
  const std::vector<std::pair<std::string, std::string>> good{
      {"2026-12-06", "2026-12-06"},
      {"2026-12-06T12:34", "2026-12-06T12:34"},
      {"2026-12-06T12:34:56Z", "2026-12-06T12:34:56"},
      {"2026-12-06T12:34:56.789Z", "2026-12-06T12:34:56.789"}};
  for (const auto& [text, expected] : good) {
    std::string since, error;
    EXPECT_TRUE(NormalizeSince(text, since, error)) << text;
    EXPECT_EQ(since, expected);
  }
  for (const char* bad : {"", "yesterday", "2026-12-6", "2026-12-06Z", "2026-12-06 12:34",
                          "2026-12-06T12", "2026-12-06T12:34:5", "12/06/2026"}) {
    std::string since, error;
    EXPECT_FALSE(NormalizeSince(bad, since, error)) << bad;
    EXPECT_NE(error.find("no date"), std::string::npos);
  }
}

TEST(RecordFormat, TheJsonLineCarriesEveryFieldAndRefusesAnythingElse) {
  const Record record = SampleRecord("U1", "run-all", false, "2026-12-06T12:34:56.789Z");
  const std::string line = RecordToJsonLine(record);
  Record back;
  std::string error;
  ASSERT_TRUE(RecordFromJsonLine(line, back, error)) << error;
  EXPECT_EQ(back, record);
  for (const std::string& bad :
       {std::string("[]"), std::string("{\"id\":\"x\"}"), line.substr(0, line.size() - 2),
        std::string(line).replace(line.find("\"schema\":"), 9, "\"schema\":\"2\","),
        std::string(line).replace(line.find("\"station\":"), 10, "\"place\":")}) {
    EXPECT_FALSE(RecordFromJsonLine(bad, back, error)) << bad;
  }
  // A line spooled before records had a socket reads as a station of one's.
  std::string before = line;
  const size_t socket = before.find(",\"socket\":\"" + record.socket + "\"");
  ASSERT_NE(socket, std::string::npos);
  before.erase(socket, 12 + record.socket.size());
  ASSERT_TRUE(RecordFromJsonLine(before, back, error)) << error << "\n" << before;
  EXPECT_EQ(back.socket, "");
}

}  // namespace
}  // namespace halyard::records
