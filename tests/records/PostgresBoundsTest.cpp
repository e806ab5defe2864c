// Every PostgreSQL call is bounded and an outage costs no wait per record: a server nobody
// answers at is tried again only after a growing wait; a table lock another client holds, and a
// server that stops answering on the station's open connection, fail the record's write within
// its bounds, so it spools and reaches the store once, later. And a server that wants a password
// gets it from a password file or libpq's own ways, never printed.
#include <gmock/gmock.h>
#include <signal.h>

#include <chrono>

#include "RecordTesting.h"
#include "records/PostgresStore.h"
#include "records/SpoolingStore.h"

namespace halyard::records {
namespace {

using namespace std::chrono_literals;
using ::testing::AnyOf;
using ::testing::HasSubstr;
using ::testing::Not;
using testing::PgServer;
using testing::Rows;
using testing::SampleRecord;
using Clock = RetryGate::Clock;

// A store whose retry gate runs on a clock the test moves.
class GatedStore {
 public:
  explicit GatedStore(const std::string& url, PostgresLimits limits = {},
                      std::string password = "") {
    PostgresSettings settings;
    settings.limits = limits;
    settings.now = [this] { return now_; };
    settings.password = std::move(password);
    std::string error;
    EXPECT_TRUE(PostgresStore::Make(url, store_, error, std::move(settings))) << error;
  }
  RecordStore& operator*() { return *store_; }
  std::unique_ptr<RecordStore> Take() { return std::move(store_); }
  void Wait(Clock::duration time) { now_ += time; }

 private:
  std::unique_ptr<RecordStore> store_;
  Clock::time_point now_ = Clock::now();
};

// What a write said, and how long it took.
struct Attempt {
  bool ok;
  std::string error;
  Clock::duration took;
};

Attempt Write(RecordStore& store, const Record& record) {
  const auto start = Clock::now();
  std::string error;
  const bool ok = store.Write(record, error);
  return {ok, error, Clock::now() - start};
}

TEST(PostgresRetry, AServerNobodyAnswersAtIsTriedAgainOnlyAfterAGrowingWait) {
  GatedStore gated("postgresql://postgres@127.0.0.1:" + std::to_string(testing::ClosedPort()) +
                   "/x");
  // Each step: how long the test waits first, and whether the write reached for the server.
  const struct {
    Clock::duration wait;
    bool tried;
  } steps[] = {{0s, true}, {0s, false},  {999ms, false}, {1ms, true}, {1s, false},
               {1s, true}, {3s, false},  {1s, true},     {16s, true}, {15s, false},
               {1s, true}, {29s, false}, {1s, true},     {30s, true}};
  int step = 0;
  for (const auto& [wait, tried] : steps) {
    SCOPED_TRACE(step++);
    gated.Wait(wait);
    const Attempt attempt = Write(*gated, SampleRecord());
    EXPECT_FALSE(attempt.ok);
    EXPECT_THAT(attempt.error, HasSubstr("Connection refused"));
    EXPECT_EQ(attempt.error.find("not tried again") == std::string::npos, tried) << attempt.error;
    // libpq's message spans lines and tabs; the station's is one line.
    EXPECT_EQ(attempt.error, OneLine(attempt.error));
  }
}

// A client that holds an exclusive lock on the records table until the test lets go.
class TableLock {
 public:
  explicit TableLock(const std::string& url) : conn_(PQconnectdb(url.c_str())) {
    PQclear(PQexec(conn_, "BEGIN"));
    PGresult* locked = PQexec(conn_, "LOCK TABLE records IN ACCESS EXCLUSIVE MODE");
    held_ = PQresultStatus(locked) == PGRES_COMMAND_OK;
    PQclear(locked);
  }
  ~TableLock() { PQfinish(conn_); }
  TableLock(const TableLock&) = delete;
  TableLock& operator=(const TableLock&) = delete;
  bool Held() const { return held_; }
  void Release() { PQclear(PQexec(conn_, "COMMIT")); }

 private:
  PGconn* conn_;
  bool held_ = false;
};

// Writes `records` through a spool in front of `gated`: the first is stored, the second meets
// `fault` (which returns its undoing) and is spooled within `bound`, the third is stored after the
// fault is undone and the gate is open again, with the spooled one before it, once.
void ExpectFaultBridged(GatedStore& gated, const std::string& url,
                        const std::function<std::function<void()>()>& fault, Clock::duration bound,
                        const char* said) {
  testing::Scratch scratch;
  auto* store = &*gated;
  SpoolingStore spooling(gated.Take(), scratch / "pg.spool");
  const std::vector<Record> records{SampleRecord("U1"), SampleRecord("U2"), SampleRecord("U3")};
  std::string error;
  ASSERT_TRUE(spooling.Write(records[0], error)) << error;
  const std::function<void()> undo = fault();
  const Attempt faulty = Write(*store, records[1]);
  EXPECT_FALSE(faulty.ok);
  EXPECT_THAT(faulty.error, HasSubstr(said));
  EXPECT_LT(faulty.took, bound);
  ASSERT_TRUE(spooling.Write(records[1], error)) << error;
  EXPECT_EQ(spooling.LastOutcome(), WriteOutcome::kSpooled);
  undo();
  gated.Wait(1s);
  ASSERT_TRUE(spooling.Write(records[2], error)) << error;
  EXPECT_EQ(spooling.LastOutcome(), WriteOutcome::kStored);
  EXPECT_EQ(PgServer::ExecSql(url, "SELECT COUNT(DISTINCT id), COUNT(*) FROM records").rows,
            (Rows{{"3", "3"}}));
}

TEST(PostgresBounds, ATableLockHeldByAnotherClientFailsTheWriteAfterTheLockWait) {
  PgServer server(HALYARD_PG_SHARED);
  const std::string url = server.FreshDatabase();
  ASSERT_FALSE(url.empty()) << "the PostgreSQL fixture is not running";
  PostgresLimits limits;
  limits.lockWait = 300ms;
  GatedStore gated(url, limits);
  std::unique_ptr<TableLock> lock;
  ExpectFaultBridged(
      gated, url,
      [&] {
        lock = std::make_unique<TableLock>(url);
        EXPECT_TRUE(lock->Held());
        return [&] { lock->Release(); };
      },
      5s, "lock timeout");
}

// The server's processes of `url`'s database, but the one answering this query.
std::vector<pid_t> Backends(const std::string& url) {
  const std::string database = url.substr(url.rfind('/') + 1);
  std::vector<pid_t> pids;
  for (const auto& row :
       PgServer::ExecSql(url, "SELECT pid FROM pg_stat_activity WHERE datname = '" + database +
                                  "' AND pid <> pg_backend_pid()")
           .rows)
    pids.push_back(std::stoi(row.at(0)));
  return pids;
}

TEST(PostgresBounds, AServerThatStopsAnsweringOnTheOpenConnectionFailsTheWriteInTime) {
  PgServer server(HALYARD_PG_SHARED);
  const std::string url = server.FreshDatabase();
  ASSERT_FALSE(url.empty()) << "the PostgreSQL fixture is not running";
  PostgresLimits limits;
  limits.answer = 500ms;
  GatedStore gated(url, limits);
  ExpectFaultBridged(
      gated, url,
      [&] {
        // The process serving the station's connection stops: the kernel still takes what the
        // station sends, and nothing ever comes back.
        const std::vector<pid_t> stopped = Backends(url);
        EXPECT_EQ(stopped.size(), 1u);
        for (const pid_t pid : stopped)
          ::kill(pid, SIGSTOP);
        return [stopped] {
          for (const pid_t pid : stopped)
            ::kill(pid, SIGCONT);
        };
      },
      5s, "no answer within 0.5 s");
}

TEST(PostgresPassword, AServerThatWantsOneGetsItFromTheFileOrLibpqAndNeverPrintsIt) {
  PgServer server(HALYARD_PG_SHARED);
  const std::string admin = server.FreshDatabase();
  ASSERT_FALSE(admin.empty()) << "the PostgreSQL fixture is not running";
  const std::string url = PgServer::AsPasswordUser(admin);
  const std::string password = server.Password();
  ASSERT_FALSE(password.empty());
  const std::string withPassword =
      "postgresql://halyard_password:" + password + "@" + url.substr(url.find('@') + 1);
  const struct {
    const char* name;
    std::string address;
    std::string fromFile;
    const char* environment;  // PGPASSWORD, or null
    bool stored;
  } cases[] = {
      {"from the password file", url, password, nullptr, true},
      {"from PGPASSWORD", url, "", password.c_str(), true},
      {"in the address", withPassword, "", nullptr, true},
      {"none", url, "", nullptr, false},
      {"a wrong one in the file", url, password + "x", nullptr, false},
      {"a wrong one in the address",
       "postgresql://halyard_password:" + password + "x@" + url.substr(url.find('@') + 1), "",
       nullptr, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.environment != nullptr) ::setenv("PGPASSWORD", c.environment, 1);
    GatedStore gated(c.address, {}, c.fromFile);
    const Attempt attempt = Write(*gated, SampleRecord());
    ::unsetenv("PGPASSWORD");
    EXPECT_EQ(attempt.ok, c.stored) << attempt.error;
    if (c.stored) continue;
    EXPECT_THAT(attempt.error, AnyOf(HasSubstr("password authentication failed"),
                                     HasSubstr("no password supplied")));
    EXPECT_THAT(attempt.error, Not(HasSubstr(password)));
  }
  EXPECT_EQ(PgServer::ExecSql(admin, "SELECT COUNT(*) FROM records").rows, (Rows{{"3"}}));
}

}  // namespace
}  // namespace halyard::records
