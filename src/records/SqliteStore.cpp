// The SQLite connection under the shared SQL store.
#include "records/SqliteStore.h"

#include <sqlite3.h>

#include <cctype>
#include <utility>

namespace halyard::records {

namespace {

// Long enough for any other station's write to end; a write never holds the lock for more
// than one INSERT.
constexpr int kBusyTimeoutMs = 10000;

constexpr SqlStore::Dialect kSqlite{"BEGIN IMMEDIATE", "", "seq INTEGER PRIMARY KEY AUTOINCREMENT",
                                    "TEXT", &kSqliteQueries};

// `path` as a SQLite file: URI that opens it read-only and unchanging: no lock, no -shm file made
// beside it. A store on read-only media (or in a folder the reader may not write) reads so.
std::string ImmutableUri(const std::string& path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string uri = "file:";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    if (std::isalnum(byte) || c == '/' || c == '.' || c == '-' || c == '_' || c == '~') {
      uri += c;
    } else {
      uri += '%';
      uri += kHex[byte >> 4];
      uri += kHex[byte & 0xF];
    }
  }
  return uri + "?immutable=1";
}

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
  if (create || Exec("SELECT COUNT(*) FROM sqlite_master", {}, {}, ignored)) return true;
  // Reading a file in write-ahead-log mode makes its -shm file beside it: on a read-only mount,
  // or where only reading is allowed, the file is read as one that does not change.
  const int code = sqlite3_errcode(db_);
  if (code != SQLITE_READONLY && code != SQLITE_CANTOPEN) return true;  // the caller's query says
  Disconnect();
  if (sqlite3_open_v2(ImmutableUri(path_).c_str(), &db_, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI,
                      nullptr) != SQLITE_OK) {
    error = "record store \"" + path_ + "\": " + (db_ ? sqlite3_errmsg(db_) : "out of memory");
    Disconnect();
    return false;
  }
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
