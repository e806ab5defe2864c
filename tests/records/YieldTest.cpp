// The yield arithmetic on a table of records (retests, records without a unit, every grouping),
// and the record's own formats: digests, ids, times, --since and the JSON line.
#include <set>
#include <tuple>

#include "RecordTesting.h"
#include "records/RecordStore.h"
#include "records/Sha256.h"

namespace halyard::records {
namespace {

using testing::SampleRecord;

// Two days of records, oldest first; U2 was tested in socket 1, the rest in socket 2.
std::vector<Record> TwoDays() {
  // clang-format off
  std::vector<Record> records{
      // U1 fails first, passes on retest.
      SampleRecord("U1", "run-all", false, "2026-12-06T08:00:00.000Z"),
      SampleRecord("U1", "run-all", true,  "2026-12-06T08:05:00.000Z"),
      // U2 passes run-all, fails program first.
      SampleRecord("U2", "run-all", true,  "2026-12-06T09:00:00.000Z"),
      SampleRecord("U2", "program", false, "2026-12-06T09:01:00.000Z"),
      SampleRecord("U2", "program", true,  "2026-12-06T09:02:00.000Z"),
      // Two unscanned units.
      SampleRecord("",   "run-all", true,  "2026-12-06T10:00:00.000Z"),
      SampleRecord("",   "run-all", false, "2026-12-06T10:01:00.000Z"),
      // The next day: U3, and U1 again, failing.
      SampleRecord("U3", "program", true,  "2026-12-07T07:00:00.000Z"),
      SampleRecord("U1", "run-all", false, "2026-12-07T07:30:00.000Z")};
  // clang-format on
  for (Record& record : records)
    record.socket = record.unit == "U2" ? "1" : "2";
  return records;
}

// A group as one comparable value: key, tested, passed, failed, units, first-pass yield.
using Group = std::tuple<std::string, int, int, int, int, double>;

TEST(Yield, CountsRecordsAndTheFirstPassOfDistinctUnits) {
  // clang-format off
  const std::vector<std::pair<YieldBy, std::vector<Group>>> cases{
      // Day 1: U1 (run-all failed first), U2 (program failed first), two unscanned (one failed).
      {YieldBy::kDay, {{"2026-12-06", 7, 4, 3, 4, 1.0 / 4}, {"2026-12-07", 2, 1, 1, 2, 1.0 / 2}}},
      {YieldBy::kUnit, {{"U1", 3, 1, 2, 1, 0.0}, {"U2", 3, 2, 1, 1, 0.0}, {"", 2, 1, 1, 2, 0.5},
                        {"U3", 1, 1, 0, 1, 1.0}}},
      // run-all: U1 failed first, U2 passed, two unscanned (one passed) -> 2 of 4.
      {YieldBy::kAction, {{"run-all", 6, 3, 3, 4, 2.0 / 4}, {"program", 3, 2, 1, 2, 1.0 / 2}}},
      // Socket 2: U1 and one unscanned failed first, the other unscanned and U3 passed.
      {YieldBy::kSocket, {{"2", 6, 3, 3, 4, 2.0 / 4}, {"1", 3, 2, 1, 1, 0.0}}},
  };
  // clang-format on
  for (const auto& [by, expected] : cases) {
    std::vector<Group> groups;
    for (const YieldGroup& g : ComputeYield(TwoDays(), by))
      groups.emplace_back(g.key, g.tested, g.passed, g.failed, g.units, g.firstPassYield);
    EXPECT_EQ(groups, expected);  // the yields are quarters and halves: exact in binary
  }
  EXPECT_TRUE(ComputeYield({}, YieldBy::kDay).empty());
}

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
