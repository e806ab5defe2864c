// The store's queries against a hand count, on SQLite and on PostgreSQL alike: the yield of every
// grouping (retests, records without a unit, a --since that cuts a unit's history), the
// failures ranked by reason, the automatic trim's spread, and each filter as a condition the
// database can answer from an index.
#include <tuple>

#include "RecordTesting.h"
#include "records/RecordQueries.h"
#include "records/RecordStore.h"

namespace halyard::records {
namespace {

using testing::SampleRecord;
using testing::TrimRecord;
using testing::TwoDays;

// key, tested, passed, failed, units, first-pass units, final-pass units, retests, and both
// yields (quarters, thirds and halves: the same double however they are divided).
using Group = std::tuple<std::string, int, int, int, int, int, int, int, double, double>;

Group G(std::string key, int tested, int passed, int units, int firstPass, int finalPass,
        int retests) {
  return {std::move(key), tested,    passed,  tested - passed,           units,
          firstPass,      finalPass, retests, double(firstPass) / units, double(finalPass) / units};
}

class Query : public testing::StoreTest {
 protected:
  void Write(const std::vector<Record>& records) {
    auto store = Open();
    std::string error;
    for (const Record& record : records)
      ASSERT_TRUE(store->Write(record, error)) << error;
  }
  std::vector<Group> Yield(const RecordFilter& filter, YieldBy by) {
    std::vector<YieldGroup> groups;
    std::string error;
    EXPECT_TRUE(Open()->Reader().Groups(filter, by, groups, error)) << error;
    std::vector<Group> out;
    for (const YieldGroup& g : groups) {
      out.emplace_back(g.key, g.tested, g.passed, g.failed, g.units, g.firstPassUnits,
                       g.finalPassUnits, g.retests, g.firstPassYield, g.finalYield);
    }
    return out;
  }
};

TEST_P(Query, YieldMatchesTheHandCountInEveryGrouping) {
  Write(TwoDays());
  // clang-format off
  const std::vector<std::tuple<RecordFilter, YieldBy, std::vector<Group>>> cases{
      // Day 1: U1 (run-all failed first, passed last), U2 (program failed first, passed last),
      // two unscanned (one failed). Day 2: U3 passed, U1 failed.
      {{}, YieldBy::kDay, {G("2026-12-06", 7, 4, 4, 1, 3, 2), G("2026-12-07", 2, 1, 2, 1, 1, 0)}},
      {{}, YieldBy::kUnit, {G("U1", 3, 1, 1, 0, 0, 2), G("U2", 3, 2, 1, 0, 1, 1),
                            G("", 2, 1, 2, 1, 1, 0), G("U3", 1, 1, 1, 1, 1, 0)}},
      // run-all: U1 failed first and last, U2 passed, the unscanned one passed, one failed.
      {{}, YieldBy::kAction, {G("run-all", 6, 3, 4, 2, 2, 2), G("program", 3, 2, 2, 1, 2, 1)}},
      {{}, YieldBy::kSocket, {G("2", 6, 3, 4, 2, 2, 2), G("1", 3, 2, 1, 0, 1, 1)}},
      {{}, YieldBy::kStation, {G("line-3", 8, 4, 4, 1, 2, 3), G("line-4", 1, 1, 1, 1, 1, 0)}},
      {{}, YieldBy::kHour, {G("2026-12-06T08", 2, 1, 1, 0, 1, 1), G("2026-12-06T09", 3, 2, 1, 0, 1, 1),
                            G("2026-12-06T10", 2, 1, 2, 1, 1, 0), G("2026-12-07T07", 2, 1, 2, 1, 1, 0)}},
      {{}, YieldBy::kAll, {G("", 9, 5, 5, 2, 3, 3)}},
      // --since cuts U1's first failure off: from 08:03 its first run-all passed.
      {{.since = "2026-12-06T08:03"}, YieldBy::kUnit,
       {G("U1", 2, 1, 1, 1, 0, 1), G("U2", 3, 2, 1, 0, 1, 1), G("", 2, 1, 2, 1, 1, 0),
        G("U3", 1, 1, 1, 1, 1, 0)}},
      // --until the second day, one station's, one socket's.
      {{.until = "2026-12-07"}, YieldBy::kAll, {G("", 7, 4, 4, 1, 3, 2)}},
      {{.station = "line-4"}, YieldBy::kDay, {G("2026-12-07", 1, 1, 1, 1, 1, 0)}},
      {{.socket = "1"}, YieldBy::kAction, {G("run-all", 1, 1, 1, 1, 1, 0),
                                           G("program", 2, 1, 1, 0, 1, 1)}},
      {{.since = "2027-01-01"}, YieldBy::kDay, {}},
  };
  // clang-format on
  for (const auto& [filter, by, expected] : cases) {
    SCOPED_TRACE(static_cast<int>(by));
    SCOPED_TRACE(filter.since + "|" + filter.until + "|" + filter.station + "|" + filter.socket);
    EXPECT_EQ(Yield(filter, by), expected);
  }
}

// Equal start times: the record written first is the first, as the list gives them.
TEST_P(Query, RecordsOfOneInstantAreTakenInTheOrderWritten) {
  const std::string at = "2026-12-06T08:00:00.000Z";
  Write({SampleRecord("U1", "run-all", false, at), SampleRecord("U1", "run-all", true, at),
         SampleRecord("U2", "run-all", true, at), SampleRecord("U2", "run-all", false, at)});
  EXPECT_EQ(Yield({}, YieldBy::kUnit),
            (std::vector<Group>{G("U1", 2, 1, 1, 0, 1, 1), G("U2", 2, 1, 1, 1, 0, 1)}));
}

TEST_P(Query, FailuresAreRankedByCountThenByTheirFirstOccurrence) {
  Write(TwoDays());
  std::vector<FailureCount> failures;
  std::string error;
  ASSERT_TRUE(Open()->Reader().Failures({}, failures, error)) << error;
  std::vector<std::pair<std::string, int>> ranked;
  for (const FailureCount& f : failures)
    ranked.emplace_back(f.reason, f.records);
  EXPECT_EQ(ranked,
            (std::vector<std::pair<std::string, int>>{{"Run All failed: SMBus status 5", 2},
                                                      {"Programming failed: status 3", 1},
                                                      {"Run All failed: I2C status 2", 1}}));
  ASSERT_TRUE(Open()->Reader().Failures({.since = "2026-12-07"}, failures, error)) << error;
  ASSERT_EQ(failures.size(), 1u);
  EXPECT_EQ(failures[0].reason, "Run All failed: I2C status 2");
}

TEST_P(Query, TheTrimSpreadCountsEachToleranceIntoItsBins) {
  std::vector<Record> written;
  for (const char* ppm : {"-10.0", "20", "30.5", "150", "-250"})
    written.push_back(
        TrimRecord("trim-auto", std::string(R"({"code":97,"error_ppm":)") + ppm + "}", 100));
  written.push_back(TrimRecord("trim-auto=store", R"({"code":90,"error_ppm":5})", 50));
  written.push_back(TrimRecord("trim-auto", "null", 100));  // cancelled: nothing chosen
  written.push_back(TrimRecord("run-all", R"({"code":1,"error_ppm":1})", 100));  // no trim
  Write(written);
  std::vector<TrimSpread> spreads;
  std::string error;
  ASSERT_TRUE(Open()->Reader().Trims({}, spreads, error)) << error;
  ASSERT_EQ(spreads.size(), 2u);
  const TrimSpread& wide = spreads[0];
  EXPECT_EQ(wide.tolerancePpm, 100);
  EXPECT_EQ(wide.count, 5);
  EXPECT_DOUBLE_EQ(wide.sum, -59.5);
  EXPECT_DOUBLE_EQ(wide.sumOfSquares, 100 + 400 + 930.25 + 22500 + 62500);
  EXPECT_EQ(wide.min, -250);
  EXPECT_EQ(wide.max, 150);
  // Bins of 20 ppm from -200: -10 in the 10th, 20 and 30.5 in the 12th, 150 in the 18th.
  std::vector<int> bins(kTrimBins + 2, 0);
  bins[0] = 1;
  bins[10] = 1;
  bins[12] = 2;
  bins[18] = 1;
  EXPECT_EQ(wide.bins, bins);
  EXPECT_EQ(spreads[1].tolerancePpm, 50);
  EXPECT_EQ(spreads[1].count, 1);
  ASSERT_TRUE(Open()->Reader().Trims({.station = "nowhere"}, spreads, error)) << error;
  EXPECT_TRUE(spreads.empty());
}

// Each filter is a condition of its own, so the database searches the index that fits instead
// of reading every record: SQLite's plan of each statement names the index it uses.
// (PostgreSQL plans a table of a few records as one scan whatever its indexes: the plans are
// SQLite's.)
TEST(QueryPlan, EachStatementSearchesTheIndexThatFitsItsFilter) {
  testing::Scratch scratch;
  const std::string db = (scratch / "r.db").string();
  std::string error;
  ASSERT_TRUE(testing::Open(db)->Write(SampleRecord(), error)) << error;
  // clang-format off
  const std::vector<std::pair<std::string, std::string>> cases{
      {ListSql({.unit = "U1"}, RecordOrder::kOldestFirst).sql, "INDEX records_unit"},
      {ListSql({.station = "line-4"}, RecordOrder::kOldestFirst).sql, "INDEX records_station"},
      {ListSql({.action = "program"}, RecordOrder::kOldestFirst).sql, "INDEX records_action"},
      {ListSql({.since = "2026-12-07"}, RecordOrder::kOldestFirst).sql, "INDEX records_s"},
      {ListSql({.newest = 200}, RecordOrder::kOldestFirst).sql, "INDEX records_started"},
      {ListSql({}, RecordOrder::kByUnit).sql, "INDEX records_unit"},
      // Each yield reads the index with its columns, never the records; left to itself SQLite
      // took the index of the action or the station, for the order of the groups.
      {YieldSql({}, YieldBy::kDay, kSqliteQueries).sql, "COVERING INDEX records_span"},
      {YieldSql({}, YieldBy::kAction, kSqliteQueries).sql, "COVERING INDEX records_span"},
      {YieldSql({}, YieldBy::kStation, kSqliteQueries).sql, "COVERING INDEX records_span"},
      {YieldSql({.station = "line-4"}, YieldBy::kUnit, kSqliteQueries).sql,
       "COVERING INDEX records_span"},
      {FailuresSql({.since = "2026-12-07"}).sql, "INDEX records_failed"},
  };
  // clang-format on
  for (const auto& [sql, index] : cases) {
    std::string plan;
    for (const auto& row : testing::SqliteRows(db, "EXPLAIN QUERY PLAN " + sql))
      plan += row.back() + "\n";
    EXPECT_NE(plan.find(index), std::string::npos) << sql << "\n" << plan;
  }
}

INSTANTIATE_TEST_SUITE_P(Stores, Query, ::testing::Values("sqlite", "postgres"),
                         [](const auto& param) { return param.param; });

}  // namespace
}  // namespace halyard::records
