// The line over real worker processes: sockets test units in parallel and record each action
// with their socket; a socket whose driver crashes or whose step hangs fails that unit with the
// reason, records it and comes back, while the others go on; sockets sharing a counter take turns.
#include <gmock/gmock.h>

#include <fcntl.h>
#include <sys/file.h>

#include <set>
#include <thread>

#include "LineTesting.h"
#include "assembly/StationRecords.h"
#include "line/WorkerProcess.h"
#include "support/ScpiTestServer.h"

namespace halyard::line::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

constexpr const char* kSequence = "Sequence=configure run-all program trim-start trim-auto=store";

TEST(Line, FourSocketsTestUnitsInParallelAndRecordEachActionWithItsSocket) {
  LineFolder folder;
  const fs::path config = folder.Write({{"1"}, {"2"}, {"3"}, {"A4"}}, kSequence);
  LineRun line(config, folder.Store());
  const std::vector<std::pair<std::string, std::string>> units{
      {"1", "HY-01"}, {"2", "HY-02"}, {"3", "HY-03"}, {"A4", "HY-04"}, {"2", "HY-05"}};
  for (const auto& [socket, unit] : units)
    line.Scan(socket, unit);
  const auto ended = line.Finish();
  ASSERT_EQ(ended.size(), units.size());
  for (const auto& [socket, unit] : units) {
    SCOPED_TRACE(unit);
    const UnitReport& report = ended.at(unit);
    EXPECT_EQ(report.socket, socket);
    EXPECT_EQ(report.verdict, "passed") << report.reason;
    EXPECT_EQ(report.actions.size(), 5u);
    const auto records = StoredRecords(folder.Store(), {.unit = unit});
    ASSERT_EQ(records.size(), 5u);
    for (const records::Record& record : records) {
      EXPECT_EQ(record.socket, socket);
      EXPECT_EQ(record.verdict, "passed");
      EXPECT_EQ(record.adapter, "sim HALYARD-SIM0");
    }
  }
  // Each socket kept its own devices: the unit tested second on socket 2 found the target its
  // first unit configured there, in that socket's state file.
  EXPECT_TRUE(fs::exists(folder.Path() / "state-2.json"));
  EXPECT_TRUE(fs::exists(folder.Path() / "state-A4.json"));
}

// Socket 2's driver (the bench built as a driver) crashes on its second version read, and
// socket 3's step hangs on its second programming: each fails the unit it was testing, with
// the reason, in the unit's line and in the records, and comes back by itself for the next unit
// (whose worker starts counting calls afresh); socket 1 never stops.
TEST(Line, ACrashingDriverAndAHangingStepFailTheirUnitAndTheSocketComesBack) {
  LineFolder folder;
  const std::string driver =
      "driver:" + (halyard::testing::BinDir() / "libhalyard-sim-driver.so").string();
  const fs::path config = folder.Write(
      {{"1"},
       {"2", R"({"rules": [{"op": "GetAdapterVersion", "nth": 2, "fault": "crash"}]})", driver},
       {"3", R"({"rules": [{"op": "ProgramSrec", "nth": 3, "fault": "hang"}]})"}},
      std::string(kSequence) + "\nStepTimeoutSeconds=1");
  LineRun line(config, folder.Store());
  for (const std::string unit : {"C1", "C2", "C3"})
    line.Scan("2", unit);
  for (const std::string unit : {"H1", "H2", "H3"})
    line.Scan("3", unit);
  for (const std::string unit : {"P1", "P2", "P3"})
    line.Scan("1", unit);
  const auto ended = line.Finish();
  ASSERT_EQ(ended.size(), 9u);
  struct Case {
    const char* unit;
    const char* failedStep;  // "": passed
    const char* reason;
  };
  for (const Case& c :
       {Case{"C1", "", ""}, Case{"C2", "run-all", "ended by signal"}, Case{"C3", "", ""},
        Case{"H1", "", ""}, Case{"H2", "program", "passed its limit of 1 s"}, Case{"H3", "", ""},
        Case{"P1", "", ""}, Case{"P2", "", ""}, Case{"P3", "", ""}}) {
    SCOPED_TRACE(c.unit);
    const UnitReport& report = ended.at(c.unit);
    const bool failed = *c.failedStep != '\0';
    EXPECT_EQ(report.verdict, failed ? "failed" : "passed") << report.reason;
    const auto records = StoredRecords(folder.Store(), {.unit = c.unit});
    if (!failed) {
      EXPECT_EQ(records.size(), 5u);
      continue;
    }
    EXPECT_THAT(report.reason, HasSubstr(c.reason));
    EXPECT_EQ(report.actions.back().step, c.failedStep);
    // The steps before it, and the failed one with the reason; none after it.
    ASSERT_FALSE(records.empty());
    EXPECT_EQ(records.back().action, c.failedStep);
    EXPECT_EQ(records.back().verdict, "failed");
    EXPECT_THAT(records.back().reason, HasSubstr(c.reason));
    EXPECT_EQ(records.back().socket, report.socket);
    EXPECT_EQ(records.size(), report.actions.size());
  }
}

// Two sockets name one instrument: their automatic trims take it in turns, through the
// counter's lock. While the test holds that lock, as a third socket's trim would, no trim
// reaches the counter; afterwards every trim does, each on a connection of its own that it lets
// go of (the counter takes one at a time).
TEST(Line, SocketsSharingOneCounterTakeItInTurns) {
  using Clock = std::chrono::steady_clock;
  std::mutex mutex;
  Clock::time_point firstQuery = Clock::time_point::max();
  halyard::testing::ScpiTestServer counter([&](const std::string& query) {
    {
      const std::lock_guard lock(mutex);
      firstQuery = std::min(firstQuery, Clock::now());
    }
    return halyard::testing::ScpiReply{query == "*IDN?" ? "TEST,COUNTER,0,1" : "+3.27680000E+04",
                                       std::chrono::milliseconds(2)};
  });
  LineFolder folder;
  const fs::path config = folder.Write(
      {{"1"}, {"2"}}, "Sequence=trim-start trim-auto\nCounter=" + counter.CounterLine() +
                          "\n[Trim]\nCounterTimeoutSeconds=5");
  const int held = ::open(CounterLockFile(folder.Path(), counter.CounterLine()).c_str(),
                          O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  ASSERT_EQ(::flock(held, LOCK_EX), 0);
  LineRun line(config, folder.Store());
  for (const std::string socket : {"1", "2"}) {
    line.Scan(socket, "S" + socket + "-a");
    line.Scan(socket, "S" + socket + "-b");
  }
  std::this_thread::sleep_for(std::chrono::milliseconds(400));
  const Clock::time_point released = Clock::now();
  ::close(held);
  const auto ended = line.Finish();
  ASSERT_EQ(ended.size(), 4u);
  for (const auto& [unit, report] : ended)
    EXPECT_EQ(report.verdict, "passed") << unit << ": " << report.reason;
  EXPECT_GE(firstQuery, released);
  EXPECT_EQ(counter.Connections(), 4);
}

// The processes whose command line names `text`.
int ProcessesNaming(const std::string& text) {
  int found = 0;
  for (const auto& entry : fs::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string command((std::istreambuf_iterator<char>(in)), {});
    if (command.find(text) != std::string::npos) ++found;
  }
  return found;
}

// The line (halyardctl line, with the real waits) killed in the middle of its units: every
// worker finishes the step it is in, records it and ends; each unit's records are the steps it
// got through, once each and in order; a new line then tests the units again without touching
// what was kept.
TEST(Line, KilledMidUnitItLosesNoRecordAndRecordsNoStepTwice) {
  LineFolder folder;
  const fs::path config =
      folder.Write({{"1"}, {"2"}}, "Sequence=configure run-all run-all run-all");
  const std::vector<std::string> steps{"configure", "run-all", "run-all", "run-all"};
  const std::vector<std::string> args{(halyard::testing::BinDir() / "halyardctl").string(),
                                      "line",
                                      "--config",
                                      config.string(),
                                      "--records",
                                      folder.Store()};
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    WorkerProcess line;
    std::string error;
    ASSERT_TRUE(line.Start(args, error)) << error;
    // The store is made by the first record.
    const auto count = [&folder] {
      return fs::exists(folder.Store()) ? StoredRecords(folder.Store()).size() : 0;
    };
    const size_t before = count();
    ASSERT_TRUE(line.Send("1 K1") && line.Send("2 K2"));
    // Each unit takes 2.4 s of waits after its first step; the line dies in the middle of them.
    for (int tick = 0; tick < 400 && count() < before + 2; ++tick)
      std::this_thread::sleep_for(std::chrono::milliseconds(25));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    std::map<std::string, size_t> recordedBefore;  // per unit, when the line died
    for (const std::string unit : {"K1", "K2"})
      recordedBefore[unit] = StoredRecords(folder.Store(), {.unit = unit}).size();
    line.Kill();
    line.Reap();
    for (int tick = 0; tick < 100 && ProcessesNaming(config.string()) > 0; ++tick)
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(ProcessesNaming(config.string()), 0) << "a worker outlived the line";
    std::set<std::string> ids;
    for (const std::string unit : {"K1", "K2"}) {
      const auto records = StoredRecords(folder.Store(), {.unit = unit});
      // This round's records follow the last round's.
      ASSERT_GE(records.size(), static_cast<size_t>(round));
      size_t next = 0;
      for (const records::Record& record : records) {
        EXPECT_TRUE(ids.insert(record.id).second);
        EXPECT_EQ(record.verdict, "passed") << record.action << ": " << record.reason;
        if (record.action == "configure") next = 0;
        ASSERT_LT(next, steps.size());
        EXPECT_EQ(record.action, steps[next]) << "a step recorded twice or out of order";
        ++next;
      }
      // The step each worker was in when the line died (a run-all, 0.8 s long) was finished,
      // and recorded, after.
      EXPECT_GT(records.size(), recordedBefore[unit]);
    }
  }
}

// halyardctl line: units come in as "SOCKET SERIAL" lines; one JSON line per unit ended (or
// refused); exit status 0 when all passed, 1 when any failed or was refused, 2 for a bad line.
TEST(Line, HalyardctlLineReadsUnitsAndPrintsALinePerUnitWithItsExitStatus) {
  LineFolder folder;
  const fs::path config =
      folder.Write({{"1"}, {"2", R"({"adapter_version": "9.9"})"}}, "Sequence=configure run-all");
  const auto run = [&](const std::vector<std::string>& input, std::vector<nlohmann::json>& out) {
    WorkerProcess line;
    std::string error;
    EXPECT_TRUE(line.Start({(halyard::testing::BinDir() / "halyardctl").string(), "line",
                            "--no-wait", "--config", config.string(), "--records", folder.Store()},
                           error))
        << error;
    for (const std::string& text : input)
      line.Send(text);
    line.CloseInput();
    std::vector<std::string> lines;
    while (line.Read(lines))
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    for (const std::string& text : lines)
      out.push_back(nlohmann::json::parse(text));
    return line.Reap();
  };
  std::vector<nlohmann::json> out;
  EXPECT_EQ(run({"1 P1", "", "1 P2"}, out), "exited with status 0");
  ASSERT_EQ(out.size(), 2u);
  EXPECT_EQ(out[1]["unit"], "P2");
  EXPECT_EQ(out[1]["actions"].size(), 2u);
  EXPECT_TRUE(out[1]["seconds"].is_number());
  out.clear();
  // Socket 2's adapter reports another version: its run-all fails.
  EXPECT_EQ(run({"2 F1", "7 X", "1"}, out), "exited with status 1");
  ASSERT_EQ(out.size(), 3u);
  std::map<std::string, nlohmann::json> byUnit;
  for (const nlohmann::json& line : out)
    byUnit[line["unit"]] = line;
  EXPECT_EQ(byUnit["F1"]["verdict"], "failed");
  EXPECT_THAT(byUnit["F1"]["reason"].get<std::string>(), HasSubstr("run-all: Version Test failed"));
  EXPECT_EQ(byUnit["X"]["verdict"], "refused");
  EXPECT_EQ(byUnit[""]["reason"], "write SOCKET SERIAL");
  out.clear();
  folder.Write({{"1"}}, "Sequence=run-all state");
  EXPECT_EQ(run({}, out), "exited with status 2");
}

TEST(Line, AUnitBeyondItsRetestLimitOrForNoSuchSocketIsRefused) {
  LineFolder folder;
  const fs::path config = folder.Write({{"1"}}, "Sequence=configure\nRetestLimit=1");
  LineRun line(config, folder.Store());
  std::string reason;
  EXPECT_TRUE(line->Scan("1", "U1", reason));
  EXPECT_TRUE(line->Scan("1", "U1", reason)) << "one retest";
  EXPECT_FALSE(line->Scan("1", "U1", reason));
  EXPECT_THAT(reason, HasSubstr("retest limit (1) is reached"));
  EXPECT_FALSE(line->Scan("9", "U2", reason));
  EXPECT_THAT(reason, HasSubstr("no socket named '9'"));
  EXPECT_EQ(line.Finish().size(), 1u);
}

// The supervisor's own records (a step whose worker died) reach a PostgreSQL store as the
// workers' do, with the password of [Records] PasswordFile=; a password file others may read
// stops the line before it starts, without printing the password.
TEST(Line, TheSupervisorsStoreIsReachedWithThePasswordFile) {
  LineFolder folder;
  const fs::path config = folder.Write({{"1"}}, "Sequence=configure");
  const fs::path password = folder.Path() / "records.pw";
  std::ofstream(password) << "S3cr3t\n";
  fs::permissions(password,
                  fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
  std::ofstream(config, std::ios::app) << "[Records]\nPasswordFile=" << password.string() << "\n";
  const std::string store = "postgresql://halyard@127.0.0.1:1/line";
  SupervisorSetup setup;
  std::string error;
  ASSERT_TRUE(
      ReadSupervisorSetup(config, halyard::testing::BinDir() / "halyardctl", store, setup, error))
      << error;
  EXPECT_EQ(setup.recordsStore, store);
  Supervisor supervisor(setup);
  EXPECT_FALSE(supervisor.Start(error));
  EXPECT_THAT(error, HasSubstr("can be read by anyone"));
  EXPECT_THAT(error, Not(HasSubstr("S3cr3t")));

  fs::permissions(password, fs::perms::others_read, fs::perm_options::remove);
  records::StoreAccess access;
  EXPECT_TRUE(ConfiguredStoreAccess(setup.line.configuration, store, access, error)) << error;
  EXPECT_EQ(access.password, "S3cr3t");
}

}  // namespace
}  // namespace halyard::line::testing
