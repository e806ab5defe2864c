// What the record tests share: a scratch folder, sample records, the SQLite file read
// directly, and the throwaway PostgreSQL servers that CTest starts (tests/records/pg-server.sh),
// with a fresh database per test.
#pragma once

#include <gtest/gtest.h>
#include <libpq-fe.h>
#include <stdlib.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "records/Record.h"
#include "records/RecordFormat.h"

namespace halyard::records::testing {

namespace fs = std::filesystem;

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
    fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
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
inline Record SampleRecord(const std::string& unit, const std::string& action, bool passed,
                           const std::string& started) {
  Record r;
  r.id = NewRecordId();
  r.station = "line-3";
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
  // A fresh database on the server, dropped by the destructor.
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
    std::vector<std::vector<std::string>> rows;
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

}  // namespace halyard::records::testing
