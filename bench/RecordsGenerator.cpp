// The generated store: templates from a real session, rows written in bulk.
#include "RecordsGenerator.h"

#include <libpq-fe.h>
#include <sqlite3.h>

#include <chrono>
#include <functional>
#include <random>
#include <sstream>

#include "BenchSupport.h"
#include "cli/Halyardctl.h"
#include "records/RecordFormat.h"
#include "records/RecordStore.h"

namespace halyard::bench {

namespace {

using records::Record;
using records::RecordRow;

constexpr const char* kActions[] = {"configure",       "run-all",   "program",      "trim-start",
                                    "trim-auto=store", "trim-read", "version-test", "smbus-test",
                                    "i2c-test",        "swb-test"};
constexpr const char* kReasons[] = {"SMBus Test failed: status 5",  "I2C Test failed: status 2",
                                    "Programming failed: status 3", "SMBus Test failed: status 7",
                                    "Configure failed: status 10",  "SWB Test failed: status 4"};

// One record of each action, from a session on the simulated bench (once a process).
bool Templates(std::vector<Record>& templates, std::string& error) {
  static std::vector<Record> made;
  if (!made.empty()) {
    templates = made;
    return true;
  }
  const std::string db = (ScratchDir() / "templates.db").string();
  std::filesystem::remove(db);
  std::vector<std::string> args{"--no-wait", "--records", db, "--operator", "Ana", "serial=T"};
  args.insert(args.end(), std::begin(kActions), std::end(kActions));
  std::ostringstream out, err;
  // The configuration names its firmware images relative to the programs' folder.
  const std::filesystem::path here = std::filesystem::current_path();
  std::filesystem::current_path(BinDir());
  const int code = cli::HalyardctlMain(args, BinDir(), out, err);
  std::filesystem::current_path(here);
  if (code != cli::kExitOk) {
    error = "the template session failed: " + err.str() + out.str().substr(0, 400);
    return false;
  }
  std::unique_ptr<records::RecordStore> store;
  if (!records::OpenStore(db, store, error) || !store->List({}, made, error)) return false;
  templates = made;
  return true;
}

// Calls `row` for each generated record, in the order written.
bool Generate(size_t count, GeneratedRecords& made,
              const std::function<bool(const RecordRow&)>& row, std::string& error) {
  std::vector<Record> templates;
  if (!Templates(templates, error)) return false;
  std::mt19937_64 random(19);
  std::uniform_real_distribution<double> uniform(0, 1);
  std::normal_distribution<double> trimError(3.0, 22.0);
  using namespace std::chrono;
  const sys_days start{year{2026} / 1 / 1};
  size_t written = 0;
  for (int unit = 1; written < count; ++unit) {
    auto at = start + milliseconds(static_cast<long long>(uniform(random) * 365 * 86400e3));
    const std::string serial = uniform(random) < 0.01 ? "" : "U" + std::to_string(100000 + unit);
    const int line = 1 + unit % 4;
    for (size_t a = 0; a < templates.size() && written < count; ++a) {
      for (bool again = true; again && written < count;) {
        Record record = templates[a];
        record.id = records::NewRecordId();
        record.unit = serial;
        record.station = "line-" + std::to_string(line);
        record.socket = std::to_string(1 + (unit / 4) % 4);
        record.started = records::FormatUtc(system_clock::time_point(at));
        at += milliseconds(400 + static_cast<long long>(uniform(random) * 4000));
        record.ended = records::FormatUtc(system_clock::time_point(at));
        const bool failed = uniform(random) < 0.04;
        again = failed && uniform(random) < 0.7;  // most failures are retested
        if (failed) {
          record.verdict = records::kVerdictFailed;
          record.reason = kReasons[static_cast<size_t>(uniform(random) * 6) % 6];
        }
        if (record.action == "trim-auto=store") {
          const size_t chosen =
              record.measurements.find("\"error_ppm\":", record.measurements.find("\"chosen\""));
          if (chosen != std::string::npos) {
            const size_t end = record.measurements.find_first_of(",}", chosen);
            record.measurements.replace(chosen + 12, end - chosen - 12,
                                        std::to_string(trimError(random)));
          }
        }
        if (written == count / 2) made.someUnit = serial;
        ++written;
        if (!row(records::RecordToRow(record))) return false;
      }
    }
  }
  made.firstDay = "2026-01-01";
  made.lastDay = "2026-12-31";
  return true;
}

}  // namespace

bool GenerateSqlite(size_t count, const std::string& path, GeneratedRecords& made,
                    std::string& error) {
  std::filesystem::remove(path);
  {
    // The station makes the file, its tables and indexes.
    std::unique_ptr<records::RecordStore> store;
    if (!records::OpenStore(path, store, error) || !store->Write(Record{.id = "made"}, error))
      return false;
  }
  sqlite3* db = nullptr;
  sqlite3_open(path.c_str(), &db);
  // The station's indexes are built again after the rows are in: one sort each instead of a
  // million scattered inserts.
  std::vector<std::string> indexes;
  sqlite3_exec(
      db, "SELECT sql FROM sqlite_master WHERE type = 'index' AND sql IS NOT NULL",
      [](void* out, int, char** values, char**) {
        static_cast<std::vector<std::string>*>(out)->push_back(values[0]);
        return 0;
      },
      &indexes, nullptr);
  for (const std::string& index : indexes) {
    const size_t name = index.find("INDEX ") + 6;
    const std::string drop = "DROP INDEX " + index.substr(name, index.find(' ', name) - name);
    sqlite3_exec(db, drop.c_str(), nullptr, nullptr, nullptr);
  }
  // No journal and no syncs: a benchmark's store, written once.
  sqlite3_exec(db, "DELETE FROM records; PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN",
               nullptr, nullptr, nullptr);
  std::string sql = "INSERT INTO records (";
  std::string values;
  for (size_t i = 0; i < records::kRecordColumnCount; ++i) {
    sql += (i ? ", " : "") + std::string(records::kRecordColumns[i]);
    values += i ? ", ?" : "?";
  }
  sql += ") VALUES (" + values + ")";
  sqlite3_stmt* insert = nullptr;
  sqlite3_prepare_v2(db, sql.c_str(), -1, &insert, nullptr);
  const bool ok = Generate(
      count, made,
      [&](const RecordRow& row) {
        for (size_t i = 0; i < row.size(); ++i)
          sqlite3_bind_text(insert, static_cast<int>(i + 1), row[i].data(),
                            static_cast<int>(row[i].size()), SQLITE_STATIC);
        const bool stepped = sqlite3_step(insert) == SQLITE_DONE;
        sqlite3_reset(insert);
        if (!stepped) error = sqlite3_errmsg(db);
        return stepped;
      },
      error);
  sqlite3_finalize(insert);
  for (const std::string& index : indexes)
    sqlite3_exec(db, index.c_str(), nullptr, nullptr, nullptr);
  const bool committed =
      sqlite3_exec(db, "COMMIT; PRAGMA journal_mode=WAL", nullptr, nullptr, nullptr) == SQLITE_OK;
  sqlite3_close(db);
  return ok && committed;
}

namespace {

// COPY's text format: backslash, tab and line breaks escaped.
void CopyField(const std::string& text, std::string& line) {
  for (const char c : text) {
    switch (c) {
      case '\\':
        line += "\\\\";
        break;
      case '\t':
        line += "\\t";
        break;
      case '\n':
        line += "\\n";
        break;
      case '\r':
        line += "\\r";
        break;
      default:
        line += c;
    }
  }
}

bool PgOk(PGconn* conn, const char* sql, std::string& error) {
  PGresult* result = PQexec(conn, sql);
  const auto status = PQresultStatus(result);
  const bool ok =
      status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_COPY_IN;
  if (!ok) error = PQresultErrorMessage(result);
  PQclear(result);
  return ok;
}

}  // namespace

bool GeneratePostgres(size_t count, const std::string& url, GeneratedRecords& made,
                      std::string& error) {
  {
    std::unique_ptr<records::RecordStore> store;
    if (!records::OpenStore(url, store, error) || !store->Write(Record{.id = "made"}, error))
      return false;
  }
  PGconn* conn = PQconnectdb(url.c_str());
  std::string ignored;
  PgOk(conn, "DELETE FROM records", ignored);
  // As for SQLite: the indexes are built again after the rows are in.
  std::vector<std::string> indexes;
  PGresult* found = PQexec(conn,
                           "SELECT indexname, indexdef FROM pg_indexes WHERE tablename = 'records'"
                           " AND indexname NOT IN ('records_pkey', 'records_id_key')");
  for (int r = 0; r < PQntuples(found); ++r) {
    indexes.emplace_back(PQgetvalue(found, r, 1));
    PgOk(conn, ("DROP INDEX " + std::string(PQgetvalue(found, r, 0))).c_str(), ignored);
  }
  PQclear(found);
  std::string columns;
  for (size_t i = 0; i < records::kRecordColumnCount; ++i)
    columns += (i ? ", " : "") + std::string(records::kRecordColumns[i]);
  const std::string copy = "COPY records (" + columns + ") FROM STDIN";
  bool ok = PQstatus(conn) == CONNECTION_OK && PgOk(conn, copy.c_str(), error);
  std::string buffer;
  ok = ok && Generate(
                 count, made,
                 [&](const RecordRow& row) {
                   for (size_t i = 0; i < row.size(); ++i) {
                     if (i) buffer += '\t';
                     CopyField(row[i], buffer);
                   }
                   buffer += '\n';
                   if (buffer.size() < (1 << 20)) return true;
                   const bool sent =
                       PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) == 1;
                   buffer.clear();
                   return sent;
                 },
                 error);
  if (ok) ok = PQputCopyData(conn, buffer.data(), static_cast<int>(buffer.size())) == 1;
  ok = PQputCopyEnd(conn, ok ? nullptr : "generation failed") == 1 && ok;
  PGresult* result = PQgetResult(conn);
  if (ok && PQresultStatus(result) != PGRES_COMMAND_OK) {
    error = PQresultErrorMessage(result);
    ok = false;
  }
  PQclear(result);
  for (const std::string& index : indexes)
    ok = ok && PgOk(conn, index.c_str(), error);
  // The statistics and the visibility map a server that has run a while would have.
  ok = ok && PgOk(conn, "VACUUM ANALYZE records", error);
  PQfinish(conn);
  return ok;
}

}  // namespace halyard::bench
