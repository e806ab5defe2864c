// The spool: records the store cannot take wait in a synced file and reach the store exactly
// once at the next chance; the operator is told once per outage; a torn line is set aside.
// The last test takes a real PostgreSQL server down in the middle of a session.
#include <fstream>

#include "RecordTesting.h"
#include "records/SpoolingStore.h"

namespace halyard::records {
namespace {

using testing::SampleRecord;

std::vector<Record> ListAll(RecordStore& store) {
  std::vector<Record> records;
  std::string error;
  EXPECT_TRUE(store.List({}, records, error)) << error;
  return records;
}

std::vector<std::string> Ids(const std::vector<Record>& records) {
  std::vector<std::string> ids;
  for (const Record& record : records)
    ids.push_back(record.id);
  return ids;
}

size_t Lines(const std::filesystem::path& file) {
  std::ifstream in(file);
  size_t n = 0;
  for (std::string line; std::getline(in, line);)
    ++n;
  return n;
}

Record At(int second) {
  return SampleRecord(
      "U1", "run-all", true,
      "2026-12-06T00:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) + ".000Z");
}

// A SQLite store in a folder that does not exist until the test makes it: unreachable, and
// so even for root, who may write any read-only file.
class SpoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::unique_ptr<RecordStore> inner;
    std::string error;
    ASSERT_TRUE(OpenStore(storePath_.string(), inner, error));
    store_ = std::make_unique<SpoolingStore>(std::move(inner), spool_);
  }
  void Write(const Record& record, WriteOutcome outcome, bool told) {
    std::string error;
    EXPECT_TRUE(store_->Write(record, error)) << error;
    EXPECT_EQ(store_->LastOutcome(), outcome);
    EXPECT_EQ(!store_->TakeNotice().empty(), told);
  }

  testing::Scratch scratch_;
  std::filesystem::path storePath_ = scratch_ / "later" / "r.db";
  std::filesystem::path spool_ = scratch_ / "state" / "r.spool";
  std::unique_ptr<SpoolingStore> store_;
};

TEST_F(SpoolTest, RecordsWaitWhileTheStoreIsDownAndReachItOnceInOrder) {
  std::vector<Record> written;
  for (int i = 1; i <= 5; ++i)
    written.push_back(At(i));
  Write(written[0], WriteOutcome::kSpooled, true);
  Write(written[1], WriteOutcome::kSpooled, false);
  Write(written[2], WriteOutcome::kSpooled, false);
  EXPECT_EQ(Lines(spool_), 3u);
  std::filesystem::create_directories(storePath_.parent_path());
  Write(written[3], WriteOutcome::kStored, false);
  EXPECT_FALSE(std::filesystem::exists(spool_));
  Write(written[4], WriteOutcome::kStored, false);
  EXPECT_EQ(Ids(ListAll(*store_)), Ids(written));
}

TEST_F(SpoolTest, ARecordOfferedTwiceAfterACrashIsStoredOnce) {
  Write(At(1), WriteOutcome::kSpooled, true);
  Write(At(2), WriteOutcome::kSpooled, false);
  // A station that died after writing the spooled records, before replacing the spool.
  std::filesystem::copy_file(spool_, scratch_ / "copy");
  std::filesystem::create_directories(storePath_.parent_path());
  std::string error;
  ASSERT_TRUE(store_->Flush(error)) << error;
  std::filesystem::copy_file(scratch_ / "copy", spool_);
  Write(At(3), WriteOutcome::kStored, false);
  EXPECT_EQ(ListAll(*store_).size(), 3u);
}

TEST_F(SpoolTest, ATornLineIsSetAsideAndTheRestIsWritten) {
  Write(At(1), WriteOutcome::kSpooled, true);
  std::ofstream(spool_, std::ios::app) << "{\"id\":\"torn";
  std::filesystem::create_directories(storePath_.parent_path());
  Write(At(2), WriteOutcome::kStored, false);
  EXPECT_EQ(ListAll(*store_).size(), 2u);
  EXPECT_EQ(Lines(spool_.string() + ".rejected"), 1u);
}

TEST_F(SpoolTest, ARecordNeitherStoreNorSpoolTakesIsReportedLostEachTime) {
  std::filesystem::create_directories(scratch_ / "blocked");
  std::unique_ptr<RecordStore> inner;
  std::string error;
  ASSERT_TRUE(OpenStore(storePath_.string(), inner, error));
  // A spool whose folder is a regular file cannot be written, by root either.
  std::ofstream(scratch_ / "file") << "x";
  SpoolingStore store(std::move(inner), scratch_ / "file" / "r.spool");
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(store.Write(At(i), error));
    EXPECT_EQ(store.LastOutcome(), WriteOutcome::kLost);
    EXPECT_NE(store.TakeNotice().find("record lost"), std::string::npos);
  }
}

TEST(PostgresSpool, AServerDownMidSessionSpoolsAndTheNextWriteFlushesExactlyOnce) {
  testing::PgServer server(HALYARD_PG_OUTAGE);
  const std::string url = server.FreshDatabase();
  ASSERT_FALSE(url.empty()) << "the PostgreSQL fixture is not running";
  testing::Scratch scratch;
  std::unique_ptr<RecordStore> inner;
  std::string error;
  ASSERT_TRUE(OpenStore(url, inner, error)) << error;
  SpoolingStore store(std::move(inner), scratch / "pg.spool");
  std::vector<Record> written;
  const auto write = [&](WriteOutcome outcome, bool told) {
    written.push_back(At(static_cast<int>(written.size())));
    EXPECT_TRUE(store.Write(written.back(), error)) << error;
    EXPECT_EQ(store.LastOutcome(), outcome);
    EXPECT_EQ(!store.TakeNotice().empty(), told);
  };
  write(WriteOutcome::kStored, false);
  write(WriteOutcome::kStored, false);
  ASSERT_TRUE(server.Script("pause"));
  write(WriteOutcome::kSpooled, true);
  write(WriteOutcome::kSpooled, false);
  write(WriteOutcome::kSpooled, false);
  ASSERT_TRUE(server.Script("resume"));
  write(WriteOutcome::kStored, false);
  EXPECT_EQ(Ids(ListAll(store)), Ids(written));
  EXPECT_EQ(
      testing::PgServer::ExecSql(url, "SELECT COUNT(DISTINCT id), COUNT(*) FROM records").rows,
      (std::vector<std::vector<std::string>>{{"6", "6"}}));
  // A new outage is told again.
  ASSERT_TRUE(server.Script("pause"));
  write(WriteOutcome::kSpooled, true);
  ASSERT_TRUE(server.Script("resume"));
}

}  // namespace
}  // namespace halyard::records
