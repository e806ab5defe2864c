// halyardctl's trim-auto steps: a line per measurement, the search in the JSON step object,
// and a record with every iteration and the stored byte read back.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>
#include <sstream>

#include "cli/Halyardctl.h"
#include "support/TestStation.h"

namespace halyard::cli {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using ::testing::HasSubstr;

struct CtlRun {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<std::string> lines;
};

// A scratch folder per test with the configuration most tests use, and halyardctl run there.
class TrimAutoCli : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::create_directories(dir_);
    std::ofstream(dir_ / "station.ini") << halyard::testing::DefaultIni();
  }
  void TearDown() override {
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }
  CtlRun Halyardctl(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    CtlRun run{.code = HalyardctlMain(args, dir_, out, err), .out = out.str(), .err = err.str()};
    std::istringstream lines(run.out);
    for (std::string line; std::getline(lines, line);)
      run.lines.push_back(line);
    return run;
  }
  // A session on a bench whose oscillator is `offsetPpm` off, its records in Store(): the bench
  // in this process, or the bench built as the driver `driver` when one is named.
  CtlRun Session(double offsetPpm, const std::vector<std::string>& steps,
                 const std::string& driver = "") {
    const std::string bench = (dir_ / "bench.json").string();
    std::ofstream(bench) << R"({"controller": {"oscillator": {"offset_ppm": )" << offsetPpm
                         << R"(, "wobble_ppm": 40, "noise_ppm": 2}}})";
    std::vector<std::string> args{
        "--no-wait", "--config", (dir_ / "station.ini").string(), "--records",
        Store(),     "--spool",  (dir_ / "s.spool").string()};
    if (driver.empty()) {
      args.insert(args.end(), {"--bench", bench});
    } else {
      args.insert(args.end(), {"--adapter", "driver:" + driver + "," + bench});
    }
    args.insert(args.end(), steps.begin(), steps.end());
    return Halyardctl(args);
  }
  std::string Store() { return (dir_ / "r.db").string(); }
  // The one record of `action`, its measurements parsed.
  json RecordOf(const std::string& action) {
    const CtlRun list = Halyardctl({"records", "list", "--store", Store(), "--action", action});
    EXPECT_EQ(list.code, kExitOk) << list.err;
    EXPECT_EQ(list.lines.size(), 1u) << list.out;
    json record = json::parse(list.lines.at(0));  // no record at all throws: the test fails
    if (record["measurements"].is_string())
      record["measurements"] = json::parse(record["measurements"].get<std::string>());
    return record;
  }

  const fs::path dir_ = fs::path(::testing::TempDir()) /
                        ("halyard-trim-auto-" + std::to_string(::getpid()) + "-" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name());
};

int LinesStartingWith(const CtlRun& run, const std::string& start, const std::string& with = "") {
  return std::ranges::count_if(run.lines, [&](const std::string& line) {
    return line.starts_with(start) && line.find(with) != std::string::npos;
  });
}

TEST_F(TrimAutoCli, StoreLeavesARecordWithEveryIterationAndTheVerifiedByte) {
  const CtlRun run = Session(-1800, {"trim-start", "trim-auto=store"});
  ASSERT_EQ(run.code, kExitOk) << run.err << run.out;
  const json record = RecordOf("trim-auto=store");
  EXPECT_EQ(record["verdict"], "passed");
  const json& search = record["measurements"]["auto_trim"];
  ASSERT_TRUE(search.is_object()) << record.dump();
  const json& iterations = search["iterations"];
  // A progress line per measurement.
  EXPECT_EQ(static_cast<int>(iterations.size()), LinesStartingWith(run, "  trim ", ": code "))
      << run.out;
  EXPECT_LE(iterations.size(), static_cast<size_t>(kMaxTrimMeasurements));
  for (const json& iteration : iterations) {
    EXPECT_NEAR(iteration["error_ppm"].get<double>(),
                (iteration["hz"].get<double>() / 32768.0 - 1.0) * 1e6, 1e-6);
  }
  const int chosen = search["chosen"]["code"];
  EXPECT_EQ(search["stored_trim_byte"], 255 - chosen);
  EXPECT_EQ(record["measurements"]["fine"], chosen);
  EXPECT_EQ(search["counter"], "sim");
}

// The bench built as a driver brings its counter along (the default counter there too): the
// same bench file gives the same search, reading for reading, as the bench in this process.
TEST_F(TrimAutoCli, TheBenchAsADriverTrimsWithItsOwnCounterAsTheBenchInThisProcess) {
  const std::vector<std::string> steps{"trim-start", "trim-auto=store"};
  const CtlRun inProcess = Session(-2300, steps);
  ASSERT_EQ(inProcess.code, kExitOk) << inProcess.err << inProcess.out;
  json expected = RecordOf("trim-auto=store")["measurements"]["auto_trim"];
  fs::remove(Store());
  const CtlRun driver = Session(-2300, steps, SIM_DRIVER);
  ASSERT_EQ(driver.code, kExitOk) << driver.err << driver.out;
  const json record = RecordOf("trim-auto=store");
  EXPECT_THAT(record["adapter"].get<std::string>(), HasSubstr("(halyard-sim-driver "));
  json search = record["measurements"]["auto_trim"];
  ASSERT_TRUE(search["chosen"].is_object()) << search.dump();
  EXPECT_GT(search["iterations"].size(), 1u);
  // The instrument is the driver's, so it has the driver's name; all else is the bench's.
  EXPECT_THAT(search["counter_id"].get<std::string>(), ::testing::StartsWith("halyard-sim-driver"));
  search.erase("counter_id");
  expected.erase("counter_id");
  EXPECT_EQ(search, expected);
  EXPECT_EQ(LinesStartingWith(driver, "  chosen:"), 1) << driver.out;
  for (const char* start : {"  trim ", "  chosen:"}) {
    std::vector<std::string> lines[2];
    for (int i = 0; i < 2; ++i)
      std::ranges::copy_if((i == 0 ? inProcess : driver).lines, std::back_inserter(lines[i]),
                           [&](const std::string& line) { return line.starts_with(start); });
    EXPECT_EQ(lines[1], lines[0]);
  }
}

TEST_F(TrimAutoCli, TheJsonStepCarriesTheSearch) {
  const CtlRun run = Session(900, {"--json", "trim-start", "trim-auto"});
  ASSERT_EQ(run.code, kExitOk) << run.err << run.out;
  ASSERT_EQ(run.lines.size(), 4u);
  const json step = json::parse(run.lines[2]);
  EXPECT_EQ(step["step"], "trim-auto");
  EXPECT_EQ(step["verdict"], "passed");
  const json& search = step["auto_trim"];
  ASSERT_FALSE(search["iterations"].empty());
  EXPECT_EQ(step["form"]["FineAdjust"]["Value"], search["chosen"]["code"]) << step["form"].dump();
  EXPECT_TRUE(search["stored_trim_byte"].is_null());
  EXPECT_EQ(RecordOf("trim-auto")["measurements"]["auto_trim"]["iterations"], search["iterations"]);
}

TEST_F(TrimAutoCli, AUnitOutOfReachFailsTheRunAndItsRecord) {
  const CtlRun run = Session(-15000, {"trim-start", "trim-auto=store", "trim-read"});
  EXPECT_EQ(run.code, kExitFailed) << run.out;
  EXPECT_THAT(run.out, HasSubstr("cannot be trimmed into tolerance"));
  EXPECT_EQ(LinesStartingWith(run, "  chosen:"), 1) << run.out;  // said under its own step only
  const json record = RecordOf("trim-auto=store");
  EXPECT_EQ(record["verdict"], "failed");
  EXPECT_TRUE(record["measurements"]["auto_trim"]["stored_trim_byte"].is_null());
  // The row still holds the factory midrange trim.
  EXPECT_EQ(RecordOf("trim-read")["measurements"]["reserved_row_after"], "18191A1B1C1D80FF");
}

// --counter wins over the configuration's counter, as --adapter over its backend; a counter
// line that names nothing, or a value of trim-auto other than store, stops the run before
// anything runs.
TEST_F(TrimAutoCli, TheCommandLinesCounterWinsAndABadCounterOrValueIsAUsageError) {
  std::ofstream(dir_ / "station.ini", std::ios::app)
      << "[Trim]\nCounter=scpi:tcp:127.0.0.1:1\nCounterTimeoutSeconds=0.2\n";
  const CtlRun chosen = Session(0, {"--counter", "sim", "trim-start", "trim-auto"});
  EXPECT_EQ(chosen.code, kExitOk) << chosen.out;
  // The configuration's own counter: nobody listens at port 1, so the step fails.
  const CtlRun configured = Session(0, {"trim-start", "trim-auto"});
  EXPECT_EQ(configured.code, kExitFailed);
  EXPECT_THAT(configured.out, HasSubstr("unreachable"));
  const CtlRun bad = Session(0, {"--counter", "scpi:tcp:nowhere", "trim-start", "trim-auto"});
  EXPECT_EQ(bad.code, kExitUsage);
  EXPECT_THAT(bad.err, HasSubstr("counter scpi:tcp:nowhere"));
  EXPECT_TRUE(bad.out.empty()) << bad.out;
  for (const char* step : {"trim-auto=1", "trim-auto=", "trim-auto=STORE"}) {
    const CtlRun run = Session(0, {"--counter", "sim", "trim-start", step});
    EXPECT_EQ(run.code, kExitUsage) << step;
    EXPECT_THAT(run.err, HasSubstr(step));
  }
}

}  // namespace
}  // namespace halyard::cli
