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
      // 3: what the queries need. The records of a time span with every column a yield groups
      // or counts, so a yield reads this index and not the records (traces and all); a
      // station's and an action's records; the failed ones with their reason.
      {"CREATE INDEX records_span ON records (started, unit, action, verdict, station, socket)",
       "CREATE INDEX records_station ON records (station, started)",
       "CREATE INDEX records_action ON records (action, started)",
       "CREATE INDEX records_failed ON records (started, reason) WHERE verdict = 'failed'"},
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

std::string InsertSql() {
  std::string values;
  for (size_t i = 1; i <= kRecordColumnCount; ++i)
    values += (i > 1 ? ", $" : "$") + std::to_string(i);
  return "INSERT INTO records (" + ColumnList() + ") VALUES (" + values +
         ") ON CONFLICT (id) DO NOTHING";
}

bool ToInt(std::string_view text, int& value) {
  return std::from_chars(text.data(), text.data() + text.size(), value).ptr ==
         text.data() + text.size();
}

// Whatever the process's locale (the window's is the user's): the databases write a point.
bool ToDouble(std::string_view text, double& value) {
  return !text.empty() && std::from_chars(text.data(), text.data() + text.size(), value).ptr ==
                              text.data() + text.size();
}

bool ToGroup(SqlRow row, YieldGroup& group) {
  if (row.size() != 7) return false;
  group.key = std::string(row[0]);
  if (!ToInt(row[1], group.tested) || !ToInt(row[2], group.passed) || !ToInt(row[3], group.units) ||
      !ToInt(row[4], group.firstPassUnits) || !ToInt(row[5], group.finalPassUnits) ||
      !ToInt(row[6], group.retests))
    return false;
  group.failed = group.tested - group.passed;
  group.firstPassYield = group.units > 0 ? double(group.firstPassUnits) / group.units : 0.0;
  group.finalYield = group.units > 0 ? double(group.finalPassUnits) / group.units : 0.0;
  return true;
}

// Adds one (tolerance, bin) row to the spread of its tolerance (rows come by tolerance).
bool AddTrimRow(SqlRow row, std::vector<TrimSpread>& spreads) {
  double tolerance = 0, sum = 0, squares = 0, min = 0, max = 0;
  int bin = 0, count = 0;
  if (row.size() != 7 || !ToDouble(row[0], tolerance) || !ToInt(row[1], bin) ||
      !ToInt(row[2], count) || !ToDouble(row[3], sum) || !ToDouble(row[4], squares) ||
      !ToDouble(row[5], min) || !ToDouble(row[6], max))
    return false;
  if (spreads.empty() || spreads.back().tolerancePpm != tolerance) {
    spreads.emplace_back().tolerancePpm = tolerance;
    spreads.back().min = min;
    spreads.back().max = max;
  }
  TrimSpread& spread = spreads.back();
  spread.count += count;
  spread.sum += sum;
  spread.sumOfSquares += squares;
  spread.min = std::min(spread.min, min);
  spread.max = std::max(spread.max, max);
  spread.bins[static_cast<size_t>(std::clamp(bin, -1, kTrimBins) + 1)] += count;
  return true;
}

}  // namespace

bool SqlStore::Drop() {
  // The next call starts afresh: a server that went away may be back by then.
  Disconnect();
  ready_ = false;
  return false;
}

bool SqlStore::StoredVersion(int& version, std::string& error) {
  std::string text = "0";
  const auto take = [&text](SqlRow row) {
    if (!row.empty()) text = std::string(row[0]);
    return true;
  };
  if (!Exec("SELECT COALESCE(MAX(version), 0) FROM schema_version", {}, take, error)) return false;
  if (!ToInt(text, version)) {
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
    if (!Exec(sql, {}, {}, error)) return false;
  }
  // Read again under the lock: another station may have migrated in the meantime.
  int version = 0;
  if (!StoredVersion(version, error)) return false;
  const auto steps = Migrations(dialect_.sequenceColumn, dialect_.timeType);
  for (size_t step = static_cast<size_t>(version); step < steps.size(); ++step) {
    for (const std::string& sql : steps[step]) {
      if (!Exec(sql, {}, {}, error)) return false;
    }
  }
  return Exec("DELETE FROM schema_version", {}, {}, error) &&
         Exec("INSERT INTO schema_version (version) VALUES ($1)",
              {std::to_string(kStoreSchemaVersion)}, {}, error) &&
         Exec("COMMIT", {}, {}, error);
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
    Exec("ROLLBACK", {}, {}, rollback);
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
  if (!Exec(InsertSql(), std::vector<std::string>(row.begin(), row.end()), {}, error))
    return Drop();
  return true;
}

bool SqlStore::Probe(std::string& error) {
  if (!Ready(true, error)) return false;
  if (!Exec(dialect_.beginMigration, {}, {}, error)) return Drop();
  std::string ignored;
  Exec("ROLLBACK", {}, {}, ignored);
  return true;
}

bool SqlStore::Read(const BoundSql& query, const RowSink& take, std::string& error) {
  if (!Ready(false, error)) return false;
  return Exec(query.sql, query.params, take, error) || Drop();
}

bool SqlStore::Each(const RecordFilter& filter, RecordOrder order, const RecordSink& take,
                    std::string& error) {
  bool failed = false;
  Record record;
  const bool ok = Read(
      ListSql(filter, order),
      [&](SqlRow columns) {
        RecordRow row;
        if (columns.size() != row.size()) {
          error = "the store returned " + std::to_string(columns.size()) + " columns";
          return !(failed = true);
        }
        std::copy(columns.begin(), columns.end(), row.begin());
        if (!RecordFromRow(row, record, error)) {
          error = "record " + row[0] + ": " + error;
          return !(failed = true);
        }
        return take(record);
      },
      error);
  return ok && !failed;
}

bool SqlStore::Yield(const RecordFilter& filter, YieldBy by, const GroupSink& take,
                     std::string& error) {
  bool failed = false;
  YieldGroup group;
  const bool ok = Read(
      YieldSql(filter, by, *dialect_.queries),
      [&](SqlRow row) {
        if (ToGroup(row, group)) return take(group);
        error = "the store returned a yield it cannot read";
        return !(failed = true);
      },
      error);
  return ok && !failed;
}

bool SqlStore::Failures(const RecordFilter& filter, std::vector<FailureCount>& failures,
                        std::string& error) {
  std::vector<FailureCount> found;
  bool failed = false;
  const bool ok = Read(
      FailuresSql(filter),
      [&](SqlRow row) {
        FailureCount& count = found.emplace_back();
        count.reason = std::string(row.empty() ? "" : row[0]);
        if (row.size() == 2 && ToInt(row[1], count.records)) return true;
        error = "the store returned a failure count it cannot read";
        return !(failed = true);
      },
      error);
  if (!ok || failed) return false;
  failures = std::move(found);
  return true;
}

bool SqlStore::Trims(const RecordFilter& filter, std::vector<TrimSpread>& spreads,
                     std::string& error) {
  std::vector<TrimSpread> found;
  bool failed = false;
  const bool ok = Read(
      TrimsSql(filter, *dialect_.queries),
      [&](SqlRow row) {
        if (AddTrimRow(row, found)) return true;
        error = "the store returned a trim figure it cannot read";
        return !(failed = true);
      },
      error);
  if (!ok || failed) return false;
  std::stable_sort(found.begin(), found.end(),
                   [](const TrimSpread& a, const TrimSpread& b) { return a.count > b.count; });
  spreads = std::move(found);
  return true;
}

}  // namespace halyard::records
