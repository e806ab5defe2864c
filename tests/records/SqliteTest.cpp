// The embedded store across processes: two processes writing at once lose nothing, and a
// process killed in the middle of its writes leaves a readable file.
#include <signal.h>
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
  for (int i = 0; count < 0 || i < count; ++i)
    failed += store->Write(SampleRecord(unit), error) ? 0 : 1;
  _exit(failed == 0 ? 0 : 1);
}

// The records in the file; 0 while it cannot be read.
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
  for (const pid_t pid : {WriterProcess(path, "A", 150), WriterProcess(path, "B", 150)}) {
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
  EXPECT_EQ(testing::SqliteRows(path, "PRAGMA integrity_check"), (testing::Rows{{"ok"}}));
  const size_t before = Count(path);
  EXPECT_GE(before, 30u);
  std::string error;
  EXPECT_TRUE(testing::Open(path)->Write(SampleRecord("K"), error)) << error;
  EXPECT_EQ(Count(path), before + 1);
}

}  // namespace
}  // namespace halyard::records
