// halyardctl's views of a store beyond the JSON lines: the newest records, a time span, JUnit
// XML per unit, and the quality report, whose numbers are those `records yield` gives.
#include <cmath>
#include <nlohmann/json.hpp>
#include <regex>

#include "CliTesting.h"
#include "RecordTesting.h"
#include "cli/RecordsViews.h"

namespace halyard::cli {
namespace {

using nlohmann::json;
using testing::CtlRun;
using testing::Halyardctl;

class RecordViews : public ::testing::Test {
 protected:
  void SetUp() override {
    written_ = records::testing::TwoDays();
    // A reason the XML must escape, with a byte XML 1.0 does not take.
    written_[8].reason = "Run All failed: <I2C> & \"status\" 2\x01";
    for (const char* ppm : {"-10.0", "20", "30.5", "150", "-250"}) {
      written_.push_back(records::testing::TrimRecord(
          "trim-auto", std::string(R"({"code":97,"error_ppm":)") + ppm + "}", 100));
    }
    auto store = records::testing::Open(db_);
    std::string error;
    for (const records::Record& record : written_)
      ASSERT_TRUE(store->Write(record, error)) << error;
  }
  CtlRun Records(std::vector<std::string> args) {
    args.insert(args.begin(), {"records", args.front(), "--store", db_});
    args.erase(args.begin() + 4);
    return Halyardctl(args);
  }

  records::testing::Scratch scratch_;
  std::string db_ = (scratch_ / "r.db").string();
  std::vector<records::Record> written_;
};

std::vector<std::string> IdsOf(const CtlRun& run) {
  std::vector<std::string> ids;
  for (const std::string& line : run.lines)
    ids.push_back(json::parse(line).at("id"));
  return ids;
}

TEST_F(RecordViews, NewestAndTimeSpanListTheRightRecordsOldestFirst) {
  // The trims started at 11:00 on the first day: the newest two are the second day's.
  EXPECT_EQ(IdsOf(Records({"list", "--newest", "2"})),
            (std::vector<std::string>{written_[7].id, written_[8].id}));
  const CtlRun span =
      Records({"list", "--since", "2026-12-06T09:00", "--until", "2026-12-06T10:01"});
  EXPECT_EQ(IdsOf(span), (std::vector<std::string>{written_[2].id, written_[3].id, written_[4].id,
                                                   written_[5].id}));
  for (const char* bad : {"0", "-3", "many"}) {
    const CtlRun run = Records({"list", "--newest", bad});
    EXPECT_EQ(run.code, kExitUsage) << bad;
    EXPECT_EQ(run.out, "");
  }
  EXPECT_EQ(Records({"list", "--until", "tomorrow"}).code, kExitUsage);
  EXPECT_EQ(Records({"list", "--csv", "--junit"}).code, kExitUsage);
}

TEST_F(RecordViews, JunitHasASuitePerUnitAsTheYieldCountsUnits) {
  const CtlRun run = Records({"list", "--junit"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  EXPECT_TRUE(run.out.starts_with("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites"));
  EXPECT_TRUE(run.out.ends_with("</testsuites>\n"));
  const std::regex suite(R"re(<testsuite name="([^"]*)" tests="(\d+)" failures="(\d+)")re");
  std::vector<std::tuple<std::string, int, int>> suites;
  for (std::sregex_iterator it(run.out.begin(), run.out.end(), suite), end; it != end; ++it)
    suites.emplace_back((*it)[1], std::stoi((*it)[2]), std::stoi((*it)[3]));
  // Units by serial; each record without a unit is a suite of its own.
  EXPECT_EQ(suites, (std::vector<std::tuple<std::string, int, int>>{{"(no unit)", 1, 0},
                                                                    {"(no unit)", 1, 1},
                                                                    {"T", 5, 0},
                                                                    {"U1", 3, 2},
                                                                    {"U2", 3, 1},
                                                                    {"U3", 1, 0}}));
  const CtlRun all = Records({"yield", "--by", "unit"});
  int units = 0;
  for (const std::string& line : all.lines)
    units += json::parse(line).at("units").get<int>();
  EXPECT_EQ(static_cast<int>(suites.size()), units);
  EXPECT_NE(run.out.find("message=\"Run All failed: &lt;I2C&gt; &amp; &quot;status&quot; 2?\""),
            std::string::npos)
      << run.out;
  EXPECT_NE(run.out.find("<testcase name=\"program 2026-12-06T09:01:00.000Z\" classname=\"U2\""),
            std::string::npos);
}

TEST_F(RecordViews, TheReportGivesTheNumbersOfYieldAndTheTrimsSpread) {
  const CtlRun run = Records({"report"});
  ASSERT_EQ(run.code, kExitOk) << run.err;
  const json report = json::parse(run.out);
  // Each grouping of the report is what `records yield --by` prints.
  for (const auto& [key, by] : std::vector<std::pair<std::string, std::string>>{
           {"days", "day"}, {"hours", "hour"}, {"stations", "station"}, {"sockets", "socket"}}) {
    json lines = json::array();
    for (const std::string& line : Records({"yield", "--by", by}).lines)
      lines.push_back(json::parse(line));
    EXPECT_EQ(report.at(key), lines) << key;
  }
  EXPECT_EQ(report.at("total"), json::parse(R"({"tested":14,"passed":10,"failed":4,)"
                                            R"("first_pass_yield":0.5,"units":6,)"
                                            R"("final_yield":0.6666666666666666,"retests":7})"));
  EXPECT_EQ(report.at("failures").size(), 3u);
  EXPECT_EQ(report.at("failures")[0].at("records"), 2);
  EXPECT_EQ(report.at("failures")[0].at("cumulative_share"), 0.5);
  ASSERT_EQ(report.at("trim").size(), 1u);
  const json& trim = report.at("trim")[0];
  // By hand: -10, 20, 30.5, 150, -250 against 100 ppm.
  const double sigma = std::sqrt((86430.25 - 59.5 * 59.5 / 5) / 4);
  EXPECT_EQ(trim.at("count"), 5);
  EXPECT_DOUBLE_EQ(trim.at("mean_ppm").get<double>(), -11.9);
  EXPECT_NEAR(trim.at("sigma_ppm").get<double>(), sigma, 1e-9);
  EXPECT_NEAR(trim.at("cpk").get<double>(), (100 - 11.9) / (3 * sigma), 1e-9);
  EXPECT_EQ(trim.at("below"), 1);
  EXPECT_EQ(trim.at("bins")[11], json::parse(R"({"from_ppm":20.0,"to_ppm":40.0,"count":2})"));

  const std::string html = (scratch_ / "report.html").string();
  ASSERT_EQ(Records({"report", "--html", html, "--since", "2026-12-07"}).code, kExitOk);
  std::stringstream page;
  page << std::ifstream(html).rdbuf();
  EXPECT_TRUE(page.str().starts_with("<!DOCTYPE html>"));
  // Self-contained: nothing to run, nothing fetched (the one address is SVG's name space).
  EXPECT_EQ(page.str().find("<script"), std::string::npos);
  EXPECT_EQ(std::regex_replace(page.str(), std::regex("http://www.w3.org/2000/svg"), "").find("//"),
            std::string::npos);
  EXPECT_NE(page.str().find("Records started from 2026-12-07"), std::string::npos);
  EXPECT_EQ(Records({"report", "--html", (scratch_ / "no" / "r.html").string()}).code, kExitUsage);
}

// The header names the measurements of the records the first reading saw; a record written
// before the second reading may measure more, and that is said, never dropped in silence.
TEST(CsvView, ARecordWithAMeasurementTheHeaderLacksIsReported) {
  records::Record seen = records::testing::SampleRecord();
  records::Record later = records::testing::SampleRecord();
  later.measurements =
      R"({"tests":[{"test":"SMBus Test","passed":false,"status":5}],"version":"1.2"})";
  CsvView csv;
  csv.Collect(seen);
  std::ostringstream out;
  csv.WriteHeader(out);
  EXPECT_TRUE(csv.Write(seen, out));
  EXPECT_FALSE(csv.Write(later, out));
  const std::string text = out.str();  // the row is written all the same
  EXPECT_NE(text.find(seen.id), std::string::npos);
  EXPECT_NE(text.find(later.id), std::string::npos);
}

}  // namespace
}  // namespace halyard::cli
