// The records table and its migrations, in the SQL that SQLite and PostgreSQL both speak.
#include "records/SqlStore.h"

#include <algorithm>
#include <charconv>

#include "records/RecordFormat.h"

namespace halyard::records {

namespace {

// The statements that take the store from version i to i + 1, at index i. A change of the
// table is a new entry here, never an edit of an old one: stores in the field are at every
// version.
std::vector<std::vector<std::string>> Migrations(const char* sequenceColumn, const char* timeType) {
  const std::string time = timeType;
  return {
      {"CREATE TABLE records (" + std::string(sequenceColumn) +
           ", id TEXT NOT NULL UNIQUE, schema INTEGER NOT NULL, station TEXT NOT NULL,"
           " operator TEXT NOT NULL, unit TEXT NOT NULL, adapter TEXT NOT NULL,"
           " software TEXT NOT NULL, config_sha256 TEXT NOT NULL, action TEXT NOT NULL,"
           " verdict TEXT NOT NULL, reason TEXT NOT NULL, started " +
           time + " NOT NULL, ended " + time +
           " NOT NULL, measurements TEXT NOT NULL, firmware TEXT NOT NULL,"
           " messages TEXT NOT NULL, trace TEXT NOT NULL)",
       "CREATE INDEX records_started ON records (started)",
       "CREATE INDEX records_unit ON records (unit, started)"},
      // 2: the line's socket; the records of a station of one hold none.
      {"ALTER TABLE records ADD COLUMN socket TEXT NOT NULL DEFAULT ''"},
  };
}

// `value` set to `now` until the end of the scope, then back to what it was.
template <typename Value>
class ScopedValue {
 public:
  ScopedValue(Value& value, Value now) : value_(value), was_(value) { value = now; }
  ~ScopedValue() { value_ = was_; }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  Value& value_;
  Value was_;
};

std::string ColumnList() {
  std::string list;
  for (const char* column : kRecordColumns)
    list += (list.empty() ? "" : ", ") + std::string(column);
  return list;
}

std::string InsertSql() {
  std::string values;
  for (size_t i = 1; i <= kRecordColumnCount; ++i)
    values += (i > 1 ? ", $" : "$") + std::to_string(i);
  return "INSERT INTO records (" + ColumnList() + ") VALUES (" + values +
         ") ON CONFLICT (id) DO NOTHING";
}

// Oldest first; with `newest`, only that many of the latest (taken backwards along the index of
// `started`, so a long store is not read whole for the window's view).
std::string ListSql(size_t newest) {
  const std::string matching =
      " FROM records WHERE (CAST($1 AS TEXT) = '' OR started >= $1)"
      " AND (CAST($2 AS TEXT) = '' OR unit = $2) AND (CAST($3 AS TEXT) = '' OR action = $3)"
      " AND (CAST($4 AS TEXT) = '' OR station = $4) AND (CAST($5 AS TEXT) = '' OR socket = $5)";
  if (newest == 0) return "SELECT " + ColumnList() + matching + " ORDER BY started, seq";
  return "SELECT " + ColumnList() + " FROM (SELECT seq, " + ColumnList() + matching +
         " ORDER BY started DESC, seq DESC LIMIT " + std::to_string(newest) +
         ") AS newest ORDER BY started, seq";
}

}  // namespace

bool SqlStore::Drop() {
  // The next call starts afresh: a server that went away may be back by then.
  Disconnect();
  ready_ = false;
  return false;
}

bool SqlStore::StoredVersion(int& version, std::string& error) {
  SqlRows rows;
  if (!Exec("SELECT COALESCE(MAX(version), 0) FROM schema_version", {}, &rows, error)) return false;
  const std::string text = rows.empty() || rows[0].empty() ? "0" : rows[0][0];
  if (std::from_chars(text.data(), text.data() + text.size(), version).ptr !=
      text.data() + text.size()) {
    error = "the store's schema_version holds '" + text + "'";
    return false;
  }
  return true;
}

bool SqlStore::Migrate(std::string& error) {
  const ScopedValue scope(wait_, Wait::kLong);
  std::vector<std::string> statements{dialect_.beginMigration};
  if (*dialect_.lockMigration != '\0') statements.emplace_back(dialect_.lockMigration);
  statements.emplace_back("CREATE TABLE IF NOT EXISTS schema_version (version INTEGER NOT NULL)");
  for (const std::string& sql : statements) {
    if (!Exec(sql, {}, nullptr, error)) return false;
  }
  // Read again under the lock: another station may have migrated in the meantime.
  int version = 0;
  if (!StoredVersion(version, error)) return false;
  const auto steps = Migrations(dialect_.sequenceColumn, dialect_.timeType);
  for (size_t step = static_cast<size_t>(version); step < steps.size(); ++step) {
    for (const std::string& sql : steps[step]) {
      if (!Exec(sql, {}, nullptr, error)) return false;
    }
  }
  return Exec("DELETE FROM schema_version", {}, nullptr, error) &&
         Exec("INSERT INTO schema_version (version) VALUES ($1)",
              {std::to_string(kStoreSchemaVersion)}, nullptr, error) &&
         Exec("COMMIT", {}, nullptr, error);
}

bool SqlStore::Ready(bool create, std::string& error) {
  if (ready_) return true;
  if (!Connect(create, error)) return Drop();
  int version = 0;
  std::string ignored;  // no schema_version table yet reads as version 0
  if (!StoredVersion(version, ignored)) version = 0;
  if (version > kStoreSchemaVersion) {
    error = "the store's tables are of version " + std::to_string(version) +
            ", newer than this station's " + std::to_string(kStoreSchemaVersion) +
            ": update the station";
    return Drop();
  }
  if (version < kStoreSchemaVersion && !Migrate(error)) {
    std::string rollback;
    Exec("ROLLBACK", {}, nullptr, rollback);
    return Drop();
  }
  ready_ = true;
  return true;
}

bool SqlStore::Write(const Record& record, std::string& error) {
  const ScopedValue scope(wait_, Wait::kRecord);
  if (!Ready(true, error)) return false;
  const RecordRow row = RecordToRow(record);
  // One statement is one transaction: the record is stored whole or not at all.
  if (!Exec(InsertSql(), std::vector<std::string>(row.begin(), row.end()), nullptr, error))
    return Drop();
  return true;
}

bool SqlStore::Probe(std::string& error) {
  if (!Ready(true, error)) return false;
  if (!Exec(dialect_.beginMigration, {}, nullptr, error)) return Drop();
  std::string ignored;
  Exec("ROLLBACK", {}, nullptr, ignored);
  return true;
}

bool SqlStore::List(const RecordFilter& filter, std::vector<Record>& records, std::string& error) {
  if (!Ready(false, error)) return false;
  SqlRows rows;
  if (!Exec(ListSql(filter.newest),
            {ValidUtf8(filter.since), ValidUtf8(filter.unit), ValidUtf8(filter.action),
             ValidUtf8(filter.station), ValidUtf8(filter.socket)},
            &rows, error))
    return Drop();
  std::vector<Record> listed;
  listed.reserve(rows.size());
  for (const auto& columns : rows) {
    RecordRow row;
    if (columns.size() != row.size()) {
      error = "the store returned " + std::to_string(columns.size()) + " columns";
      return false;
    }
    std::copy(columns.begin(), columns.end(), row.begin());
    Record record;
    if (!RecordFromRow(row, record, error)) {
      error = "record " + row[0] + ": " + error;
      return false;
    }
    listed.push_back(std::move(record));
  }
  records = std::move(listed);
  return true;
}

}  // namespace halyard::records
