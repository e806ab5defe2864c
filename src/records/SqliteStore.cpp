// The SQLite connection under the shared SQL store.
#include "records/SqliteStore.h"

#include <sqlite3.h>

#include <utility>

namespace halyard::records {

namespace {

// Long enough for any other station's write to end; a write never holds the lock for more
// than one INSERT.
constexpr int kBusyTimeoutMs = 10000;

constexpr SqlStore::Dialect kSqlite{"BEGIN IMMEDIATE", "", "seq INTEGER PRIMARY KEY AUTOINCREMENT",
                                    "TEXT", &kSqliteQueries};

}  // namespace

SqliteStore::SqliteStore(std::string path) : SqlStore(kSqlite), path_(std::move(path)) {}

SqliteStore::~SqliteStore() {
  Disconnect();
}

bool SqliteStore::Connect(bool create, std::string& error) {
  if (db_ != nullptr) return true;
  const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0);
  if (sqlite3_open_v2(path_.c_str(), &db_, flags, nullptr) != SQLITE_OK) {
    error = "record store \"" + path_ + "\": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
    Disconnect();
    return false;
  }
  sqlite3_busy_timeout(db_, kBusyTimeoutMs);
  // WAL lets readers and one writer work at once; FULL syncs each commit, so a record that
  // was reported written survives a power cut. Both fail harmlessly on a read-only file.
  std::string ignored;
  Exec("PRAGMA journal_mode=WAL", {}, {}, ignored);
  Exec("PRAGMA synchronous=FULL", {}, {}, ignored);
  return true;
}

void SqliteStore::Disconnect() {
  if (db_ == nullptr) return;
  sqlite3_close_v2(db_);
  db_ = nullptr;
}

bool SqliteStore::Exec(const std::string& sql, const std::vector<std::string>& params,
                       const RowSink& take, std::string& error) {
  sqlite3_stmt* statement = nullptr;
  int rc = sqlite3_prepare_v2(db_, sql.c_str(), static_cast<int>(sql.size()), &statement, nullptr);
  for (size_t i = 0; rc == SQLITE_OK && i < params.size(); ++i) {
    rc = sqlite3_bind_text(statement, static_cast<int>(i + 1), params[i].data(),
                           static_cast<int>(params[i].size()), SQLITE_TRANSIENT);
  }
  std::vector<std::string_view> row;
  while (rc == SQLITE_OK || rc == SQLITE_ROW) {
    rc = sqlite3_step(statement);
    if (rc != SQLITE_ROW || !take) continue;
    row.clear();
    for (int c = 0; c < sqlite3_column_count(statement); ++c) {
      const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, c));
      row.emplace_back(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(statement, c)));
    }
    if (!take(row)) rc = SQLITE_DONE;
  }
  if (rc != SQLITE_DONE) error = "record store \"" + path_ + "\": " + sqlite3_errmsg(db_);
  sqlite3_finalize(statement);
  return rc == SQLITE_DONE;
}

}  // namespace halyard::records
