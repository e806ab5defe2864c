// The reading statements. The yield is computed in three steps of grouping: per (group, unit,
// action) the count and the first and last record, per (group, unit) whether every action's
// first (last) record passed, per group the sums.
#include "records/RecordQueries.h"

#include "records/RecordFormat.h"

namespace halyard::records {

namespace {

constexpr const char* kTrimActions = "action IN ('trim-auto', 'trim-auto=store')";

// The filter's conditions joined with `extra` (a condition of the statement's own, or empty).
std::string Where(const RecordFilter& filter, std::vector<std::string>& params,
                  const std::string& extra = "") {
  std::vector<std::string> conditions;
  const auto add = [&](const std::string& value, const char* condition) {
    if (value.empty()) return;
    // As the stores keep texts, so bytes that are not UTF-8 find what they were stored as.
    params.push_back(ValidUtf8(value));
    std::string text = condition;
    text.replace(text.find('?'), 1, "$" + std::to_string(params.size()));
    conditions.push_back(std::move(text));
  };
  add(filter.since, "started >= ?");
  add(filter.until, "started < ?");
  add(filter.unit, "unit = ?");
  add(filter.action, "action = ?");
  add(filter.station, "station = ?");
  add(filter.socket, "socket = ?");
  if (!extra.empty()) conditions.push_back(extra);
  std::string where;
  for (const std::string& condition : conditions)
    where += (where.empty() ? " WHERE " : " AND ") + condition;
  return where;
}

std::string GroupKey(YieldBy by) {
  switch (by) {
    case YieldBy::kDay:
      return "substr(started, 1, 10)";
    case YieldBy::kHour:
      return "substr(started, 1, 13)";
    case YieldBy::kUnit:
      return "unit";
    case YieldBy::kAction:
      return "action";
    case YieldBy::kSocket:
      return "socket";
    case YieldBy::kStation:
      return "station";
    case YieldBy::kAll:
      break;
  }
  return "CAST('' AS TEXT)";
}

// A record's place in time and its verdict as one text: the start, the insertion order (fixed
// width, so texts compare as the pair does) and the verdict last. MIN gives the verdict of the
// first record of a group, MAX of the last, without sorting the records for it.
constexpr const char* kOrderedVerdict = "started || CAST(1000000000000 + seq AS TEXT) || verdict";
// Whether such a text ends in "passed" (both verdicts have six letters).
std::string EndsPassed(const char* column) {
  return "CASE WHEN substr(" + std::string(column) + ", length(" + column +
         ") - 5, 1) = 'p' THEN 1 ELSE 0 END";
}

std::string SqliteMeasurement(const std::vector<std::string>& path) {
  std::string dotted = "$";
  for (const std::string& key : path)
    dotted += "." + key;
  return "json_extract(measurements, '" + dotted + "')";
}

std::string PostgresMeasurement(const std::vector<std::string>& path) {
  std::string keys;
  for (const std::string& key : path)
    keys += (keys.empty() ? "" : ",") + key;
  return "CAST(CAST(measurements AS jsonb) #>> '{" + keys + "}' AS DOUBLE PRECISION)";
}

}  // namespace

const QueryDialect kSqliteQueries{"records INDEXED BY records_span", SqliteMeasurement};
const QueryDialect kPostgresQueries{"records", PostgresMeasurement};

std::string ColumnList() {
  std::string list;
  for (const char* column : kRecordColumns)
    list += (list.empty() ? "" : ", ") + std::string(column);
  return list;
}

BoundSql ListSql(const RecordFilter& filter, RecordOrder order) {
  BoundSql bound;
  const std::string matching = " FROM records" + Where(filter, bound.params);
  const std::string columns = ColumnList();
  if (filter.newest > 0) {
    // Taken backwards along the index of `started`, so a long store is not read whole.
    bound.sql = "SELECT " + columns + " FROM (SELECT seq, " + columns + matching +
                " ORDER BY started DESC, seq DESC LIMIT " + std::to_string(filter.newest) +
                ") AS newest";
  } else {
    bound.sql = "SELECT " + columns + matching;
  }
  bound.sql +=
      order == RecordOrder::kByUnit ? " ORDER BY unit, started, seq" : " ORDER BY started, seq";
  return bound;
}

BoundSql YieldSql(const RecordFilter& filter, YieldBy by, const QueryDialect& dialect) {
  BoundSql bound;
  // A record without a unit is a unit of its own: its `u` is its own sequence number.
  bound.sql = "WITH pairs AS (SELECT " + GroupKey(by) +
              " AS k, unit, CASE WHEN unit = '' THEN seq ELSE 0 END AS u, COUNT(*) AS n,"
              " SUM(CASE WHEN verdict = 'passed' THEN 1 ELSE 0 END) AS p, MIN(" +
              kOrderedVerdict + ") AS f, MAX(" + kOrderedVerdict + ") AS l FROM " +
              dialect.yieldSource + Where(filter, bound.params) +
              " GROUP BY 1, 2, 3, action),"
              " units AS (SELECT k, SUM(n) AS n, SUM(p) AS p, COUNT(*) AS pairs, MIN(" +
              EndsPassed("f") + ") AS fp, MIN(" + EndsPassed("l") +
              ") AS lp, MIN(f) AS first FROM pairs GROUP BY k, unit, u)"
              " SELECT k, SUM(n), SUM(p), COUNT(*), SUM(fp), SUM(lp), SUM(n) - SUM(pairs)"
              " FROM units GROUP BY k ORDER BY MIN(first)";
  return bound;
}

BoundSql FailuresSql(const RecordFilter& filter) {
  BoundSql bound;
  // Ties in the order of their first failure, the same in every database's collation.
  bound.sql = "SELECT reason, COUNT(*) FROM records" +
              Where(filter, bound.params, "verdict = 'failed'") +
              " GROUP BY reason ORDER BY COUNT(*) DESC, MIN(seq)";
  return bound;
}

BoundSql TrimsSql(const RecordFilter& filter, const QueryDialect& dialect) {
  BoundSql bound;
  const std::string ppm = dialect.measurement({"auto_trim", "chosen", "error_ppm"});
  const std::string tolerance = dialect.measurement({"auto_trim", "tolerance_ppm"});
  const std::string bins = std::to_string(kTrimBins);
  // kTrimBins bins of equal width across [-2 tol, 2 tol), one below and one above.
  const std::string bin = "CASE WHEN ppm < -2 * tol THEN -1 WHEN ppm >= 2 * tol THEN " + bins +
                          " ELSE CAST(floor((ppm + 2 * tol) * " + std::to_string(kTrimBins / 4) +
                          " / tol) AS INTEGER) END";
  // Each measurement is read from the JSON once: a subquery merged into the grouping would
  // read it again for every mention (on PostgreSQL a report of a million records took 72 s).
  bound.sql = "WITH trims AS MATERIALIZED (SELECT " + ppm + " AS ppm, " + tolerance +
              " AS tol FROM records" + Where(filter, bound.params, kTrimActions) +
              ") SELECT tol, " + bin +
              " AS bin, COUNT(*), SUM(ppm), SUM(ppm * ppm), MIN(ppm), MAX(ppm) FROM trims"
              " WHERE ppm IS NOT NULL AND tol > 0 GROUP BY 1, 2 ORDER BY 1, 2";
  return bound;
}

}  // namespace halyard::records
