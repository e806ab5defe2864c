// The spool: records the store cannot take wait in a synced file and reach the store exactly
// once at the next chance; the operator is told once per outage; a torn line is set aside.
// The last test takes a real PostgreSQL server down in the middle of a session.
#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "RecordTesting.h"
#include "records/PostgresStore.h"
#include "records/SpoolingStore.h"

namespace halyard::records {
namespace {

using testing::Ids;
using testing::ListAll;
namespace fs = std::filesystem;

// The lines of a file, each ended by a newline.
size_t Lines(const fs::path& file) {
  std::ifstream in(file);
  return std::count(std::istreambuf_iterator<char>(in), {}, '\n');
}

Record At(size_t second) {
  return testing::SampleRecord(
      "U1", "run-all", true,
      "2026-12-06T00:00:" + std::string(second < 10 ? "0" : "") + std::to_string(second) + ".000Z");
}

// Writes `record`, which the store must take, and checks where it went and whether the
// operator is told.
void ExpectWrite(SpoolingStore& store, const Record& record, WriteOutcome outcome, bool told) {
  std::string error;
  EXPECT_TRUE(store.Write(record, error)) << error;
  EXPECT_EQ(store.LastOutcome(), outcome);
  EXPECT_EQ(!store.TakeNotice().key.empty(), told);
}

// Three records written while the store is down (told once) wait in the spool; once `up` has
// brought the store back, the next write brings them in, exactly once and in order, and the
// one after it is stored as usual. `written` holds the records stored before.
void ExpectOutageBridged(SpoolingStore& store, const fs::path& spool,
                         const std::function<void()>& up, std::vector<Record> written) {
  for (int i = 0; i < 3; ++i) {
    written.push_back(At(written.size()));
    ExpectWrite(store, written.back(), WriteOutcome::kSpooled, i == 0);
  }
  EXPECT_EQ(Lines(spool), 3u);
  up();
  for (int i = 0; i < 2; ++i) {
    written.push_back(At(written.size()));
    ExpectWrite(store, written.back(), WriteOutcome::kStored, false);
    EXPECT_FALSE(fs::exists(spool));
  }
  EXPECT_EQ(Ids(ListAll(store)), Ids(written));
}

// A SQLite store in a folder that does not exist until the test makes it: unreachable, and
// so even for root, who may write any read-only file.
class SpoolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_ = std::make_unique<SpoolingStore>(testing::Open(storePath_.string()), spool_);
  }
  void Write(const Record& record, WriteOutcome outcome, bool told) {
    ExpectWrite(*store_, record, outcome, told);
  }
  void BringTheStoreUp() const { fs::create_directories(storePath_.parent_path()); }

  testing::Scratch scratch_;
  fs::path storePath_ = scratch_ / "later" / "r.db";
  fs::path spool_ = scratch_ / "state" / "r.spool";
  std::unique_ptr<SpoolingStore> store_;
};

TEST_F(SpoolTest, RecordsWaitWhileTheStoreIsDownAndReachItOnceInOrder) {
  ExpectOutageBridged(*store_, spool_, [this] { BringTheStoreUp(); }, {});
}

TEST_F(SpoolTest, ARecordOfferedTwiceAfterACrashIsStoredOnce) {
  Write(At(1), WriteOutcome::kSpooled, true);
  Write(At(2), WriteOutcome::kSpooled, false);
  // A station that died after writing the spooled records, before replacing the spool.
  fs::copy_file(spool_, scratch_ / "copy");
  BringTheStoreUp();
  std::string error;
  ASSERT_TRUE(store_->Flush(error)) << error;
  fs::copy_file(scratch_ / "copy", spool_);
  Write(At(3), WriteOutcome::kStored, false);
  EXPECT_EQ(ListAll(*store_).size(), 3u);
}

TEST_F(SpoolTest, ATornLineIsSetAsideAndTheRestIsWritten) {
  Write(At(1), WriteOutcome::kSpooled, true);
  std::ofstream(spool_, std::ios::app) << "{\"id\":\"torn";
  BringTheStoreUp();
  Write(At(2), WriteOutcome::kStored, false);
  EXPECT_EQ(ListAll(*store_).size(), 2u);
  EXPECT_EQ(Lines(spool_.string() + ".rejected"), 1u);
}

TEST_F(SpoolTest, ARecordNeitherStoreNorSpoolTakesIsReportedLostEachTime) {
  // A spool whose folder is a regular file cannot be written, by root either.
  std::ofstream(scratch_ / "file") << "x";
  SpoolingStore store(testing::Open(storePath_.string()), scratch_ / "file" / "r.spool");
  std::string error;
  for (int i = 0; i < 2; ++i) {
    EXPECT_FALSE(store.Write(At(i), error));
    EXPECT_EQ(store.LastOutcome(), WriteOutcome::kLost);
    EXPECT_NE(store.TakeNotice().line.find("record lost"), std::string::npos);
  }
}

TEST(PostgresSpool, AServerDownMidSessionSpoolsAndTheNextWriteFlushesExactlyOnce) {
  testing::PgServer server(HALYARD_PG_OUTAGE);
  const std::string url = server.FreshDatabase();
  ASSERT_FALSE(url.empty()) << "the PostgreSQL fixture is not running";
  testing::Scratch scratch;
  // Tried again at once after a failure: the server is back when the test says so.
  PostgresSettings settings;
  settings.retry = {RetryGate::Clock::duration::zero(), RetryGate::Clock::duration::zero()};
  std::unique_ptr<RecordStore> postgres;
  std::string error;
  ASSERT_TRUE(PostgresStore::Make(url, postgres, error, settings)) << error;
  SpoolingStore store(std::move(postgres), scratch / "pg.spool");
  const std::vector<Record> before{At(0), At(1)};
  for (const Record& record : before)
    ExpectWrite(store, record, WriteOutcome::kStored, false);
  ASSERT_TRUE(server.Script("pause"));
  ExpectOutageBridged(
      store, scratch / "pg.spool", [&] { ASSERT_TRUE(server.Script("resume")); }, before);
  EXPECT_EQ(
      testing::PgServer::ExecSql(url, "SELECT COUNT(DISTINCT id), COUNT(*) FROM records").rows,
      (testing::Rows{{"7", "7"}}));
  // A new outage is told again.
  ASSERT_TRUE(server.Script("pause"));
  ExpectWrite(store, At(9), WriteOutcome::kSpooled, true);
  ASSERT_TRUE(server.Script("resume"));
}

}  // namespace
}  // namespace halyard::records
