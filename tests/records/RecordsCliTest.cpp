// halyardctl's records: a session with --records leaves one record per action, which
// `records list` prints with every field (JSON or CSV), `records yield` sums up and the
// sqlite3 program reads; a store that cannot be written is said once and changes no status.
#include <nlohmann/json.hpp>
#include <sstream>

#include "CliTesting.h"
#include "RecordTesting.h"
#include "cli/Halyardctl.h"
#include "records/Sha256.h"
#include "support/Paths.h"
#include "support/TestStation.h"

namespace halyard::cli {
namespace {

using nlohmann::json;
namespace fs = std::filesystem;
using testing::CtlRun;
using testing::Halyardctl;

class RecordsCli : public ::testing::Test {
 protected:
  void SetUp() override {
    std::ofstream(ini_) << halyard::testing::DefaultIni() << "[Station]\nName=line-3 station 2\n";
  }
  CtlRun Session(const std::string& store, std::vector<std::string> steps,
                 std::vector<std::string> options = {}) {
    std::vector<std::string> args{"--no-wait",
                                  "--config",
                                  ini_.string(),
                                  "--records",
                                  store,
                                  "--spool",
                                  (scratch_ / "s.spool").string()};
    args.insert(args.end(), options.begin(), options.end());
    args.insert(args.end(), steps.begin(), steps.end());
    return Halyardctl(args);
  }

  records::testing::Scratch scratch_;
  fs::path ini_ = scratch_ / "station.ini";
  std::string db_ = (scratch_ / "r.db").string();
};

TEST_F(RecordsCli, ASessionLeavesOneRecordPerActionWithEveryField) {
  const CtlRun session = Session(
      db_, {"serial=U1", "configure", "state", "run-all", "program", "trim-start", "trim-update"},
      {"--operator", "Ana"});
  ASSERT_EQ(session.code, kExitOk) << session.err << session.out;
  const CtlRun list = Halyardctl({"records", "list", "--store", db_});
  ASSERT_EQ(list.code, kExitOk) << list.err;
  ASSERT_EQ(list.lines.size(), 5u) << list.out;
  std::string configDigest;
  ASSERT_TRUE(records::Sha256OfFile(ini_, configDigest));
  const std::vector<std::string> actions{"configure", "run-all", "program", "trim-start",
                                         "trim-update"};
  for (size_t i = 0; i < actions.size(); ++i) {
    const auto record = nlohmann::ordered_json::parse(list.lines[i]);
    SCOPED_TRACE(list.lines[i]);
    std::vector<std::string> keys;
    for (const auto& item : record.items())
      keys.push_back(item.key());
    EXPECT_EQ(keys, std::vector<std::string>(records::kRecordColumns.begin(),
                                             records::kRecordColumns.end()));
    EXPECT_EQ(record["action"], actions[i]);
    EXPECT_EQ(record["verdict"], "passed");
    EXPECT_EQ(record["unit"], "U1");
    EXPECT_EQ(record["operator"], "Ana");
    EXPECT_EQ(record["station"], "line-3 station 2");
    EXPECT_EQ(record["adapter"], "sim HALYARD-SIM0");
    EXPECT_EQ(record["config_sha256"], configDigest);
    EXPECT_EQ(record["schema"], records::kRecordSchema);
    EXPECT_FALSE(record["trace"].empty());
  }
  EXPECT_EQ(json::parse(list.lines[2])["firmware"][0]["sha256"].get<std::string>().size(), 64u);
  EXPECT_EQ(json::parse(list.lines[1])["measurements"]["run_all_passes"], 1);

  // Another program reads the same file.
  const fs::path out = scratch_ / "sqlite.txt";
  ASSERT_EQ(std::system(("sqlite3 '" + db_ +
                         "' \"SELECT unit, action, verdict FROM records ORDER BY seq\" >'" +
                         out.string() + "'")
                            .c_str()),
            0);
  std::stringstream text;
  text << std::ifstream(out).rdbuf();
  EXPECT_EQ(text.str(),
            "U1|configure|passed\nU1|run-all|passed\nU1|program|passed\nU1|trim-start|passed\n"
            "U1|trim-update|passed\n");

  const CtlRun csv =
      Halyardctl({"records", "list", "--store", db_, "--csv", "--action", "run-all"});
  ASSERT_EQ(csv.code, kExitOk) << csv.err;
  ASSERT_GE(csv.lines.size(), 2u);
  EXPECT_TRUE(csv.lines[0].starts_with("id,schema,station,socket,operator,unit,")) << csv.lines[0];
  EXPECT_NE(csv.lines[0].find(",measurements.tests.3.status,measurements.version,"
                              "measurements.version_expected,measurements.run_all_passes,firmware,"
                              "messages,trace"),
            std::string::npos)
      << csv.lines[0];
  EXPECT_NE(csv.lines[1].find(",line-3 station 2,,Ana,U1,"), std::string::npos) << csv.lines[1];
}

TEST_F(RecordsCli, YieldAndFiltersReadTheStoreAndBadQueriesExitTwo) {
  ASSERT_EQ(Session(db_, {"serial=U1", "run-all", "configure", "run-all"}).code, kExitFailed);
  ASSERT_EQ(Session(db_, {"serial=U2", "configure", "run-all"}).code, kExitOk);
  const CtlRun yield = Halyardctl({"records", "yield", "--store", db_, "--by", "action"});
  ASSERT_EQ(yield.code, kExitOk) << yield.err;
  ASSERT_EQ(yield.lines.size(), 2u) << yield.out;
  EXPECT_EQ(json::parse(yield.lines[0]),
            json::parse(R"({"action":"run-all","tested":3,"passed":2,"failed":1,)"
                        R"("first_pass_yield":0.5,"units":2,"final_yield":1.0,"retests":1})"));
  EXPECT_EQ(Halyardctl({"records", "list", "--store", db_, "--unit", "U2"}).lines.size(), 2u);
  EXPECT_EQ(Halyardctl({"records", "list", "--store", db_, "--since", "2999-01-01"}).out, "");
  const CtlRun all = Halyardctl({"records", "list", "--store", db_});
  const std::string here = json::parse(all.lines.at(0)).at("station");
  EXPECT_EQ(Halyardctl({"records", "list", "--store", db_, "--station", here}).lines, all.lines);
  EXPECT_EQ(Halyardctl({"records", "yield", "--store", db_, "--station", here + "x"}).out, "");
  // Each refused with one line naming what is wrong; a store that is not there is not made.
  const std::string absent = (scratch_ / "absent.db").string();
  const std::vector<std::pair<std::vector<std::string>, std::string>> bad{
      {{"records", "list", "--store", db_, "--since", "soon"}, "'soon' is no date"},
      {{"records", "yield", "--store", db_, "--by", "week"}, "week"},
      {{"records", "list"}, "--store"},
      {{"records", "list", "--store", absent}, absent},
      {{"records", "list", "--store", "postgresql://[::1"}, "PostgreSQL"}};
  for (const auto& [args, said] : bad) {
    const CtlRun run = Halyardctl(args);
    EXPECT_EQ(run.code, kExitUsage) << args.back();
    EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
    EXPECT_NE(run.err.find(said), std::string::npos) << run.err;
  }
  EXPECT_FALSE(fs::exists(absent));
  const CtlRun noSerial = Halyardctl({"--no-wait", "--records", db_, "serial"});
  EXPECT_EQ(noSerial.code, kExitUsage);
  EXPECT_NE(noSerial.err.find("write serial=TEXT"), std::string::npos) << noSerial.err;
}

TEST_F(RecordsCli, AStoreThatCannotBeWrittenIsSaidOnceAndChangesNoStatus) {
  const std::string unreachable = (scratch_ / "no-such-folder" / "r.db").string();
  const CtlRun lines = Session(unreachable, {"configure", "run-all", "run-all"}, {"--json"});
  ASSERT_EQ(lines.code, kExitOk) << lines.err;
  ASSERT_EQ(lines.lines.size(), 5u);
  std::vector<std::string> said;
  for (const std::string& line : lines.lines)
    said.push_back(json::parse(line).value("records", ""));
  EXPECT_EQ(said, (std::vector<std::string>{"", "spooled", "", "", ""}));

  const CtlRun text = Session(unreachable, {"configure", "state", "run-all"});
  EXPECT_EQ(text.code, kExitOk) << text.err;
  size_t told = 0;
  for (const std::string& line : text.lines)
    told += line.starts_with("  records spooled: ") ? 1 : 0;
  EXPECT_EQ(told, 1u) << text.out;

  // The spooled records reach the store with the next session's first record.
  fs::create_directories(scratch_ / "no-such-folder");
  ASSERT_EQ(Session(unreachable, {"configure"}).code, kExitOk);
  EXPECT_EQ(Halyardctl({"records", "list", "--store", unreachable}).lines.size(), 6u);
  EXPECT_FALSE(fs::exists(scratch_ / "s.spool"));
  // Without --records nothing is written anywhere.
  EXPECT_EQ(Halyardctl({"--no-wait", "--config", ini_.string(), "configure"}).code, kExitOk);
  EXPECT_EQ(Halyardctl({"records", "list", "--store", unreachable}).lines.size(), 6u);
}

}  // namespace
}  // namespace halyard::cli
