// What the record tests share: a scratch folder, sample records, stores opened and listed, the
// SQLite file read directly, and the throwaway PostgreSQL servers that CTest starts
// (tests/records/pg-server.sh), with a fresh database per test.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <netinet/in.h>
#include <sqlite3.h>
#include <stdlib.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "records/Record.h"
#include "records/RecordFormat.h"
#include "records/RecordStore.h"

namespace halyard::records::testing {

namespace fs = std::filesystem;
using Rows = std::vector<std::vector<std::string>>;

// A folder of its own, removed at the end.
class Scratch {
 public:
  Scratch() {
    std::string pattern = (fs::temp_directory_path() / "halyard-records-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;
  fs::path operator/(const std::string& name) const { return path_ / name; }
  const fs::path& path() const { return path_; }

 private:
  fs::path path_;
};

// A record with every field set; `started` is the record time.
inline Record SampleRecord(const std::string& unit = "U1", const std::string& action = "run-all",
                           bool passed = true,
                           const std::string& started = "2026-12-06T00:00:00.000Z") {
  Record r;
  r.id = NewRecordId();
  r.station = "line-3";
  r.socket = "2";
  r.operatorName = "Ana";
  r.unit = unit;
  r.adapter = "simulated HALYARD-SIM0";
  r.software = "0.1.0";
  r.configSha256 = std::string(64, 'a');
  r.action = action;
  r.verdict = passed ? kVerdictPassed : kVerdictFailed;
  r.reason = passed ? "" : "SMBus Test failed: status 5";
  r.started = started;
  r.ended = started;
  r.measurements = R"({"tests":[{"test":"SMBus Test","passed":false,"status":5}]})";
  r.firmware = {{".\\firmware\\halyard-fw.srec", std::string(64, 'b')}};
  r.messages = {{"Error", "line one\nline \"two\""}};
  r.trace = {"GetAdapterVersion -> 0 first=0x312E second=0x0032"};
  return r;
}

// Two days of records, oldest first; U2 was tested in socket 1, the rest in socket 2; U3 on
// another station.
inline std::vector<Record> TwoDays() {
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
  records[7].station = "line-4";
  records[0].reason = "Run All failed: SMBus status 5";
  records[3].reason = "Programming failed: status 3";
  records[6].reason = "Run All failed: SMBus status 5";
  records[8].reason = "Run All failed: I2C status 2";
  return records;
}

// An automatic trim's record: `chosen` is the chosen iteration's JSON (or null).
inline Record TrimRecord(const std::string& action, const std::string& chosen, double tolerance) {
  Record record = SampleRecord("T", action, true, "2026-12-06T11:00:00.000Z");
  record.measurements = R"({"auto_trim":{"target_hz":32768.0,"tolerance_ppm":)" +
                        std::to_string(tolerance) + R"(,"chosen":)" + chosen + "}}";
  return record;
}

// The store named `name` (a SQLite file or a PostgreSQL URL).
inline std::unique_ptr<RecordStore> Open(const std::string& name) {
  std::unique_ptr<RecordStore> store;
  std::string error;
  EXPECT_TRUE(OpenStore(name, store, error)) << error;
  return store;
}

inline std::vector<Record> ListAll(RecordStore& store, const RecordFilter& filter = {}) {
  std::vector<Record> records;
  std::string error;
  EXPECT_TRUE(store.List(filter, records, error)) << error;
  return records;
}

inline std::vector<std::string> Ids(const std::vector<Record>& records) {
  std::vector<std::string> ids;
  for (const Record& record : records)
    ids.push_back(record.id);
  return ids;
}

// Runs `sql` on a SQLite file behind the station's back.
inline Rows SqliteRows(const std::string& path, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  Rows rows;
  sqlite3_exec(
      db, sql.c_str(),
      [](void* out, int n, char** values, char**) {
        auto& row = static_cast<Rows*>(out)->emplace_back();
        for (int i = 0; i < n; ++i)
          row.emplace_back(values[i] ? values[i] : "");
        return 0;
      },
      &rows, nullptr);
  sqlite3_close(db);
  return rows;
}

// A server that the CTest fixture started, by its handle folder (HALYARD_PG_SHARED or
// HALYARD_PG_OUTAGE).
class PgServer {
 public:
  explicit PgServer(const char* handle) : handle_(handle) {}
  PgServer(const PgServer&) = delete;
  PgServer& operator=(const PgServer&) = delete;
  // The server's own database, or "" when the fixture did not start it.
  std::string AdminUrl() const {
    std::ifstream in(fs::path(handle_) / "url");
    std::string url;
    std::getline(in, url);
    return url;
  }
  // The password of the server's one user that must give one (halyard_password).
  std::string Password() const {
    std::ifstream in(fs::path(handle_) / "password");
    std::string password;
    std::getline(in, password);
    return password;
  }
  // `url` (one of AdminUrl's or FreshDatabase's) as that user, without the password.
  static std::string AsPasswordUser(const std::string& url) {
    const std::string admin = "postgresql://postgres@";
    return "postgresql://halyard_password@" + url.substr(admin.size());
  }
  // A fresh database on the server, dropped by the destructor; "" without a server.
  std::string FreshDatabase() {
    static std::atomic<int> serial{0};
    const std::string name = "t" + std::to_string(getpid()) + "_" + std::to_string(serial++);
    if (!ExecSql(AdminUrl(), "CREATE DATABASE " + name).ok) return "";
    databases_.push_back(name);
    const std::string admin = AdminUrl();
    return admin.substr(0, admin.rfind('/') + 1) + name;
  }
  // pause or resume, through the script.
  bool Script(const std::string& command) const {
    const std::string line =
        "'" + std::string(HALYARD_PG_SCRIPT) + "' " + command + " '" + handle_ + "' >/dev/null";
    return std::system(line.c_str()) == 0;
  }
  ~PgServer() {
    for (const std::string& name : databases_)
      ExecSql(AdminUrl(), "DROP DATABASE IF EXISTS " + name + " WITH (FORCE)");
  }

  struct Result {
    bool ok = false;
    Rows rows;
  };
  // Runs `sql` on its own connection.
  static Result ExecSql(const std::string& url, const std::string& sql) {
    Result result;
    PGconn* conn = PQconnectdb(url.c_str());
    PGresult* res = PQexec(conn, sql.c_str());
    const auto status = PQresultStatus(res);
    result.ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    for (int r = 0; result.ok && r < PQntuples(res); ++r) {
      auto& row = result.rows.emplace_back();
      for (int c = 0; c < PQnfields(res); ++c)
        row.emplace_back(PQgetvalue(res, r, c));
    }
    PQclear(res);
    PQfinish(conn);
    return result;
  }

 private:
  std::string handle_;
  std::vector<std::string> databases_;
};

// A port on 127.0.0.1 where nothing listens (the kernel's pick, closed again at once).
inline int ClosedPort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A test of one store, run on SQLite ("sqlite") and on a fresh PostgreSQL database
// ("postgres").
class StoreTest : public ::testing::TestWithParam<std::string> {
 protected:
  void SetUp() override {
    name_ = GetParam() == "sqlite" ? (scratch_ / "records.db").string() : server_.FreshDatabase();
    ASSERT_FALSE(name_.empty()) << "the PostgreSQL fixture is not running";
  }
  std::unique_ptr<RecordStore> Open() const { return testing::Open(name_); }
  // Runs SQL on the store behind the station's back.
  Rows Raw(const std::string& sql) const {
    if (GetParam() == "sqlite") return SqliteRows(name_, sql);
    return PgServer::ExecSql(name_, sql).rows;
  }

  Scratch scratch_;
  PgServer server_{HALYARD_PG_SHARED};
  std::string name_;
};

}  // namespace halyard::records::testing
