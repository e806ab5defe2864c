// One suite, run against the embedded SQLite store and a real PostgreSQL server: every field
// comes back as written, ids are stored once, filters and order hold, the schema is stamped
// and a newer one refused, and writers on separate connections lose nothing.
#include <memory>
#include <thread>

#include "RecordTesting.h"
#include "records/RecordStore.h"
#include "records/SqlStore.h"

namespace halyard::records {
namespace {

using testing::ListAll;
using testing::PgServer;
using testing::Rows;
using testing::SampleRecord;

class StoreSuite : public testing::StoreTest {};

TEST_P(StoreSuite, EveryFieldComesBackAsWrittenAndAnIdIsStoredOnce) {
  auto store = Open();
  const Record full = SampleRecord("U1", "run-all", false, "2026-12-06T12:34:56.789Z");
  Record odd = SampleRecord("", "program", true, "2026-12-06T12:34:57.000Z");
  odd.reason = std::string("fw\xFF.srec\0x", 10);  // neither UTF-8 nor free of NUL
  odd.firmware.clear();
  odd.messages.clear();
  odd.trace.clear();
  odd.measurements = "{}";
  std::string error;
  for (const Record& record : std::vector<Record>{full, odd, full})
    ASSERT_TRUE(store->Write(record, error)) << error;
  const std::vector<Record> listed = ListAll(*Open());
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0], full);
  Record expected = odd;
  expected.reason = "fw\xEF\xBF\xBD.srec\xEF\xBF\xBDx";
  EXPECT_EQ(listed[1], expected);
}

TEST_P(StoreSuite, ListFiltersAndGivesTheOldestFirst) {
  auto store = Open();
  // Written out of order; the last two start in the same millisecond.
  std::vector<Record> written{SampleRecord("U2", "run-all", true, "2026-12-07T08:00:00.000Z"),
                              SampleRecord("U1", "configure", true, "2026-12-06T23:59:59.999Z"),
                              SampleRecord("U1", "run-all", false, "2026-12-07T00:00:00.000Z"),
                              SampleRecord("U1", "run-all", true, "2026-12-07T09:00:00.000Z"),
                              SampleRecord("U3", "run-all", true, "2026-12-07T09:00:00.000Z")};
  written[3].station = "line-4";
  std::string error;
  for (const Record& record : written)
    ASSERT_TRUE(store->Write(record, error)) << error;
  // Each filter with the indexes into `written` it lists, in the order listed.
  const std::vector<std::pair<RecordFilter, std::vector<size_t>>> cases{
      {{}, {1, 2, 0, 3, 4}},
      {{.since = "2026-12-07"}, {2, 0, 3, 4}},
      {{.since = "2026-12-07T08:00"}, {0, 3, 4}},
      {{.since = "2026-12-07T09:00:00.001"}, {}},
      {{.unit = "U1"}, {1, 2, 3}},
      {{.action = "run-all"}, {2, 0, 3, 4}},
      {{.since = "2026-12-07", .unit = "U1", .action = "run-all"}, {2, 3}},
      {{.unit = "U9"}, {}},
      {{.station = "line-4"}, {3}},
      {{.newest = 3}, {0, 3, 4}},
      {{.newest = 9}, {1, 2, 0, 3, 4}},
      {{.unit = "U1", .station = "line-3", .newest = 1}, {2}},
      {{.since = "2026-12-07", .station = "line-3", .newest = 2}, {0, 4}}};
  for (const auto& [filter, indexes] : cases) {
    SCOPED_TRACE(filter.since + "|" + filter.unit + "|" + filter.action + "|" + filter.station +
                 "|" + std::to_string(filter.newest));
    std::vector<std::string> expected;
    for (size_t i : indexes)
      expected.push_back(written[i].id);
    EXPECT_EQ(testing::Ids(ListAll(*store, filter)), expected);
  }
}

TEST_P(StoreSuite, TheStationStampsTheSchemaAndRefusesANewerOne) {
  std::string error;
  ASSERT_TRUE(Open()->Write(SampleRecord(), error)) << error;
  const std::string mine = std::to_string(kStoreSchemaVersion);
  const std::string newer = std::to_string(kStoreSchemaVersion + 1);
  EXPECT_EQ(Raw("SELECT version FROM schema_version"), (Rows{{mine}}));
  Raw("UPDATE schema_version SET version = " + newer);
  auto store = Open();
  EXPECT_FALSE(store->Write(SampleRecord(), error));
  EXPECT_NE(error.find("version " + newer + ", newer than this station's " + mine),
            std::string::npos)
      << error;
  std::vector<Record> records;
  EXPECT_FALSE(store->List({}, records, error));
  EXPECT_EQ(Raw("SELECT COUNT(*) FROM records"), (Rows{{"1"}}));
}

// A store the station of schema 1 made, with a record in it, is migrated on first use: its
// records read as a station of one's (no socket), and new ones carry theirs.
TEST_P(StoreSuite, AStoreOfTheFirstSchemaIsMigratedAndItsRecordsKept) {
  const bool sqlite = GetParam() == "sqlite";
  if (sqlite) testing::SqliteRows(name_, "SELECT 1");  // makes the file
  Raw("CREATE TABLE schema_version (version INTEGER NOT NULL)");
  Raw("INSERT INTO schema_version (version) VALUES (1)");
  Raw(std::string("CREATE TABLE records (") +
      (sqlite ? "seq INTEGER PRIMARY KEY AUTOINCREMENT" : "seq BIGSERIAL PRIMARY KEY") +
      ", id TEXT NOT NULL UNIQUE, schema INTEGER NOT NULL, station TEXT NOT NULL,"
      " operator TEXT NOT NULL, unit TEXT NOT NULL, adapter TEXT NOT NULL,"
      " software TEXT NOT NULL, config_sha256 TEXT NOT NULL, action TEXT NOT NULL,"
      " verdict TEXT NOT NULL, reason TEXT NOT NULL, started TEXT NOT NULL, ended TEXT NOT NULL,"
      " measurements TEXT NOT NULL, firmware TEXT NOT NULL, messages TEXT NOT NULL,"
      " trace TEXT NOT NULL)");
  Raw("CREATE INDEX records_started ON records (started)");
  Raw("CREATE INDEX records_unit ON records (unit, started)");
  Raw("INSERT INTO records (id, schema, station, operator, unit, adapter, software,"
      " config_sha256, action, verdict, reason, started, ended, measurements, firmware, messages,"
      " trace) VALUES ('old-1', 1, 'line-3', 'Ana', 'U1', 'sim HALYARD-SIM0', '0.1.0', '',"
      " 'run-all', 'passed', '', '2026-12-01T00:00:00.000Z', '2026-12-01T00:00:01.000Z', '{}',"
      " '[]', '[]', '[]')");
  auto store = Open();
  std::string error;
  Record mine = SampleRecord("U2");
  mine.socket = "3";
  ASSERT_TRUE(store->Write(mine, error)) << error;
  EXPECT_EQ(Raw("SELECT version FROM schema_version"),
            (Rows{{std::to_string(kStoreSchemaVersion)}}));
  const std::vector<Record> listed = ListAll(*Open());
  ASSERT_EQ(listed.size(), 2u);
  EXPECT_EQ(listed[0].id, "old-1");
  EXPECT_EQ(listed[0].schema, 1);
  EXPECT_EQ(listed[0].socket, "");
  EXPECT_EQ(listed[1], mine);
  EXPECT_EQ(testing::Ids(ListAll(*Open(), {.socket = "3"})), (std::vector{mine.id}));
  // And it has the indexes the queries of this version search.
  const Rows indexes = Raw(sqlite ? "SELECT name FROM sqlite_master WHERE type = 'index'"
                                    " AND name LIKE 'records\\_%' ESCAPE '\\' ORDER BY name"
                                  : "SELECT indexname FROM pg_indexes WHERE tablename = 'records'"
                                    " AND indexname NOT IN ('records_pkey', 'records_id_key')"
                                    " ORDER BY indexname");
  EXPECT_EQ(indexes, (Rows{{"records_action"},
                           {"records_failed"},
                           {"records_span"},
                           {"records_started"},
                           {"records_station"},
                           {"records_unit"}}));
}

TEST_P(StoreSuite, WritersOnSeparateConnectionsLoseNothingFromTheFirstWrite) {
  constexpr int kWriters = 4;
  constexpr int kEach = 25;
  std::vector<std::thread> writers;
  std::atomic<int> failures{0};
  for (int w = 0; w < kWriters; ++w) {
    writers.emplace_back([&, w] {
      auto store = Open();  // each its own connection; all race to create the tables
      std::string error;
      for (int i = 0; i < kEach; ++i)
        failures += store->Write(SampleRecord("W" + std::to_string(w)), error) ? 0 : 1;
    });
  }
  for (std::thread& writer : writers)
    writer.join();
  EXPECT_EQ(failures, 0);
  EXPECT_EQ(ListAll(*Open()).size(), static_cast<size_t>(kWriters * kEach));
  EXPECT_EQ(Raw("SELECT COUNT(*) FROM schema_version"), (Rows{{"1"}}));
}

// Start-up's try: a store that would take a record answers, its tables made, nothing written.
TEST_P(StoreSuite, AProbeOfAStoreThatTakesRecordsWritesNothing) {
  std::string error;
  EXPECT_TRUE(ProbeStore(name_, error)) << error;
  EXPECT_EQ(Raw("SELECT COUNT(*) FROM records"), (Rows{{"0"}}));
  EXPECT_TRUE(ProbeStore(name_, error)) << error;
}

INSTANTIATE_TEST_SUITE_P(Stores, StoreSuite, ::testing::Values("sqlite", "postgres"),
                         [](const auto& param) { return param.param; });

// A store that would not take a record says why, before the first action finds out.
TEST(StoreProbe, SaysWhyAStoreWouldNotTakeARecord) {
  testing::Scratch scratch;
  std::ofstream(scratch / "file") << "a file, not a folder";
  struct Case {
    std::string store;
    bool answers;
    const char* reason;
  };
  for (const Case& c : {Case{(scratch / "missing/records.db").string(), false, "unable to open"},
                        Case{(scratch / "file/records.db").string(), false, "unable to open"},
                        Case{"postgresql://127.0.0.1:1/records", false, "127.0.0.1"},
                        Case{"", false, "no record store named"}, Case{"none", true, ""}}) {
    SCOPED_TRACE(c.store);
    std::string error;
    EXPECT_EQ(ProbeStore(c.store, error), c.answers);
    EXPECT_THAT(error, ::testing::HasSubstr(c.reason));
  }
  EXPECT_FALSE(std::filesystem::exists(scratch / "missing"));
}

}  // namespace
}  // namespace halyard::records
