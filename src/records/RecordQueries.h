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
  // The records as a yield reads them. SQLite is told to read the index that holds a yield's
  // columns: left to itself it may take an index that orders the groups and then read every
  // record for the rest, traces and all (46 s instead of 11 for a yield by action over a
  // million records). PostgreSQL's planner weighs that itself.
  const char* yieldSource;
  // A JSON number of the measurements at a path given as its keys ("auto_trim", "chosen",
  // "error_ppm"), as a floating-point value, NULL when absent or null.
  std::string (*measurement)(const std::vector<std::string>& path);
};

// Each database's.
extern const QueryDialect kSqliteQueries;
extern const QueryDialect kPostgresQueries;

// The columns of kRecordColumns, in order, separated by commas.
std::string ColumnList();

// Every column of kRecordColumns, in order.
BoundSql ListSql(const RecordFilter& filter, RecordOrder order);
// One row a group: key, tested, passed, units, first-pass units, final-pass units, retests.
BoundSql YieldSql(const RecordFilter& filter, YieldBy by, const QueryDialect& dialect);
// One row a reason: reason, records; the most first.
BoundSql FailuresSql(const RecordFilter& filter);
// One row a (tolerance, bin): tolerance, bin (-1 below, kTrimBins above), count, sum, sum of
// squares, min, max.
BoundSql TrimsSql(const RecordFilter& filter, const QueryDialect& dialect);

}  // namespace halyard::records
