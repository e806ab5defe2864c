// The statements that read a store, in the SQL that SQLite and PostgreSQL both speak: each
// filter becomes a condition only when it is given, so the database can use the index that
// fits; grouping, counting and the yields are done by the database.
#pragma once

#include <string>
#include <vector>

#include "records/Record.h"

namespace halyard::records {

// A statement with its text parameters $1, $2... in the order they appear.
struct BoundSql {
  std::string sql;
  std::vector<std::string> params;
};

// What differs between the two databases' reading statements.
struct QueryDialect {
  // A JSON number of the measurements at a path given as its keys ("auto_trim", "chosen",
  // "error_ppm"), as a floating-point value, NULL when absent or null.
  std::string (*measurement)(const std::vector<std::string>& path);
};

// The columns of kRecordColumns, in order, separated by commas.
std::string ColumnList();

// Every column of kRecordColumns, in order.
BoundSql ListSql(const RecordFilter& filter, RecordOrder order);
// One row a group: key, tested, passed, units, first-pass units, final-pass units, retests.
BoundSql YieldSql(const RecordFilter& filter, YieldBy by);
// One row a reason: reason, records; the most first.
BoundSql FailuresSql(const RecordFilter& filter);
// One row a (tolerance, bin): tolerance, bin (-1 below, kTrimBins above), count, sum, sum of
// squares, min, max.
BoundSql TrimsSql(const RecordFilter& filter, const QueryDialect& dialect);

}  // namespace halyard::records
