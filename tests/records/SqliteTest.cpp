// The embedded store across processes: two processes writing at once lose nothing, a process
// killed in the middle of its writes leaves a readable file, and listing never creates one.
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

#include "RecordTesting.h"
#include "records/RecordStore.h"

namespace halyard::records {
namespace {

using testing::SampleRecord;

// Writes `count` records (forever when count < 0) in a child process; returns its pid.
pid_t WriterProcess(const std::string& path, const std::string& unit, int count) {
  const pid_t pid = fork();
  if (pid != 0) return pid;
  std::unique_ptr<RecordStore> store;
  std::string error;
  int failed = 0;
  if (!OpenStore(path, store, error)) _exit(2);
  for (int i = 0; count < 0 || i < count; ++i) {
    if (!store->Write(SampleRecord(unit, "run-all", true, "2026-12-06T00:00:00.000Z"), error))
      ++failed;
  }
  _exit(failed == 0 ? 0 : 1);
}

size_t Count(const std::string& path) {
  std::unique_ptr<RecordStore> store;
  std::vector<Record> records;
  std::string error;
  if (!OpenStore(path, store, error) || !store->List({}, records, error)) return 0;
  return records.size();
}

TEST(SqliteStore, TwoProcessesWritingAtOnceLoseNothing) {
  testing::Scratch scratch;
  const std::string path = (scratch / "r.db").string();
  const pid_t first = WriterProcess(path, "A", 150);
  const pid_t second = WriterProcess(path, "B", 150);
  for (const pid_t pid : {first, second}) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  EXPECT_EQ(Count(path), 300u);
}

TEST(SqliteStore, AWriterKilledMidWriteLeavesAReadableFile) {
  testing::Scratch scratch;
  const std::string path = (scratch / "r.db").string();
  const pid_t writer = WriterProcess(path, "K", -1);
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (Count(path) < 30 && std::chrono::steady_clock::now() < deadline)
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  ASSERT_EQ(kill(writer, SIGKILL), 0);
  int status = 0;
  waitpid(writer, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));

  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  std::string check;
  sqlite3_exec(
      db, "PRAGMA integrity_check",
      [](void* out, int, char** values, char**) {
        *static_cast<std::string*>(out) += values[0];
        return 0;
      },
      &check, nullptr);
  sqlite3_close(db);
  EXPECT_EQ(check, "ok");
  const size_t before = Count(path);
  EXPECT_GE(before, 30u);
  std::unique_ptr<RecordStore> store;
  std::string error;
  ASSERT_TRUE(OpenStore(path, store, error));
  EXPECT_TRUE(store->Write(SampleRecord("K", "run-all", true, "2026-12-06T00:00:01.000Z"), error))
      << error;
  EXPECT_EQ(Count(path), before + 1);
}

TEST(SqliteStore, ListingAFileThatIsNotThereFailsAndCreatesNothing) {
  testing::Scratch scratch;
  const std::string path = (scratch / "absent.db").string();
  std::unique_ptr<RecordStore> store;
  std::vector<Record> records;
  std::string error;
  ASSERT_TRUE(OpenStore(path, store, error));
  EXPECT_FALSE(store->List({}, records, error));
  EXPECT_NE(error.find("absent.db"), std::string::npos) << error;
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace halyard::records
