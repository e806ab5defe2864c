// The factory messages against a real broker (RabbitMQ with its AMQP 1.0 plugin, started once for
// these tests by amqp-broker.sh): a halyardctl session's messages arrive in order, each once,
// following their definitions; an outage in the middle of a session loses nothing; a station
// killed with messages in its outbox sends them at its next start; the unit check refuses what
// the MES refuses; the backfill sends stored records; a wrong password is never printed.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <set>
#include <sstream>
#include <thread>

#include <nlohmann/json.hpp>

#include "cli/Halyardctl.h"
#include "factory/BrokerPeer.h"
#include "factory/CfxSchema.h"
#include "factory/FactoryOutput.h"
#include "records/RecordFormat.h"
#include "records/RecordStore.h"
#include "support/TestStation.h"

namespace halyard::factory {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
namespace fs = std::filesystem;

struct CliRun {
  int status;
  std::string out;
  std::string err;
};

class BrokerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "halyard-factory-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    folder_ = pattern;
    // A queue of the test's own: the tests share one broker.
    queue_ = "/queue/cfx-" + records::NewRecordId();
    url_ = testing::BrokerUrl();
    ASSERT_FALSE(url_.empty());
  }
  void TearDown() override { fs::remove_all(folder_); }

  std::string Ini(const std::string& extra = "") const {
    return halyard::testing::DefaultIni() + "[Factory]\nBroker=" + url_ + "\nAddress=" + queue_ +
           "\nHandle=Halyard.Test.ST1\nOutbox=" + (folder_ / "cfx.outbox").string() +
           "\nHeartbeatSeconds=300\n" + extra;
  }
  CliRun Halyardctl(std::vector<std::string> args, const std::string& ini) {
    const fs::path config = folder_ / "station.ini";
    std::ofstream(config) << ini;
    args.insert(args.begin(), {"--no-wait", "--config", config.string()});
    std::ostringstream out, err;
    const int status = cli::HalyardctlMain(args, folder_, out, err);
    return {status, out.str(), err.str()};
  }
  FactorySettings Settings(const std::string& broker) const {
    FactorySettings s;
    s.broker = broker;
    s.address = queue_;
    s.handle = "Halyard.Test.ST1";
    s.outbox = folder_ / "cfx.outbox";
    return s;
  }

  fs::path folder_;
  std::string queue_;
  std::string url_;
};

// The messages but the heartbeats, each checked against its definition.
std::vector<json> Checked(const std::vector<std::string>& lines) {
  std::vector<json> messages;
  for (const std::string& line : lines) {
    EXPECT_EQ(testing::CheckEnvelope(line), std::vector<std::string>{}) << line;
    const json message = json::parse(line, nullptr, false);
    if (message.value("MessageName", "") != "CFX.Heartbeat") messages.push_back(message);
  }
  return messages;
}

std::string Short(const json& message) {
  const std::string name = message["MessageName"];
  const json& body = message["MessageBody"];
  std::string text = name.substr(name.rfind('.') + 1);
  if (body.contains("NewState")) text += " " + std::to_string(body["NewState"].get<int>());
  if (body.contains("PrimaryIdentifier"))
    text += " " + body["PrimaryIdentifier"].get<std::string>();
  if (body.contains("Result") && body["Result"].is_string())
    text += " " + body["Result"].get<std::string>();
  if (body.contains("TestedUnits"))
    text += " " + body["TestedUnits"][0]["Tests"][0]["TestName"].get<std::string>();
  return text;
}

TEST_F(BrokerTest, ASessionsMessagesArriveOnceInOrder) {
  testing::QueueReader reader(url_, queue_);
  const CliRun run =
      Halyardctl({"serial=U1", "configure", "run-all", "serial=U2", "smbus-test"}, Ini());
  ASSERT_EQ(run.status, 0) << run.out << run.err;
  const std::vector<json> messages = Checked(reader.Wait(13, 10s));
  std::vector<std::string> order;
  std::set<std::string> ids;
  for (const json& m : messages) {
    order.push_back(Short(m));
    EXPECT_TRUE(ids.insert(m["UniqueID"]).second) << "a repeat: " << m.dump();
  }
  EXPECT_EQ(order, (std::vector<std::string>{
                       "StationStateChanged 2200", "WorkStarted U1", "StationStateChanged 1100",
                       "UnitsTested configure", "UnitsTested run-all", "WorkCompleted U1 Completed",
                       "StationStateChanged 2200", "WorkStarted U2", "StationStateChanged 1100",
                       "UnitsTested smbus-test", "WorkCompleted U2 Completed",
                       "StationStateChanged 2200", "StationStateChanged 6500"}));
  // One transaction from a unit's start to its end, its tests inside it.
  EXPECT_EQ(messages[1]["MessageBody"]["TransactionID"],
            messages[3]["MessageBody"]["TransactionId"]);
  EXPECT_EQ(messages[1]["MessageBody"]["TransactionID"],
            messages[5]["MessageBody"]["TransactionID"]);
  EXPECT_EQ(fs::file_size(folder_ / "cfx.outbox"), 0u);
}

TEST_F(BrokerTest, AHeartbeatComesWhileTheStationIsUp) {
  testing::QueueReader reader(url_, queue_);
  FactorySettings settings = Settings(url_);
  settings.heartbeat = 1s;
  std::unique_ptr<FactoryOutput> output;
  std::string error;
  ASSERT_TRUE(FactoryOutput::Open(settings, output, error)) << error;
  std::vector<std::string> got;
  for (int i = 0; i < 40 && got.size() < 2; ++i)
    got = reader.Wait(2, 100ms);
  output->Close();
  ASSERT_GE(got.size(), 2u);
  const json heartbeat = json::parse(got[1]);
  EXPECT_EQ(heartbeat["MessageName"], "CFX.Heartbeat");
  EXPECT_EQ(heartbeat["MessageBody"]["HeartbeatFrequency"], "00:00:01");
  EXPECT_EQ(testing::CheckEnvelope(got[1]), std::vector<std::string>{});
}

// The UnitsTested messages' record ids, repeats dropped as a receiver drops them by UniqueID.
std::vector<std::string> TestedIds(const std::vector<std::string>& lines) {
  std::vector<std::string> ids;
  std::set<std::string> seen;
  for (const json& m : Checked(lines)) {
    if (m["MessageName"] == "CFX.Production.TestAndInspection.UnitsTested" &&
        seen.insert(m["UniqueID"]).second)
      ids.push_back(m["UniqueID"]);
  }
  return ids;
}

records::Record Numbered(int n) {
  records::Record r;
  r.id = records::NewRecordId();
  r.unit = "U" + std::to_string(n);
  r.action = "run-all";
  r.verdict = records::kVerdictPassed;
  r.started = r.ended = records::FormatUtc(std::chrono::system_clock::now());
  return r;
}

TEST_F(BrokerTest, AnOutageInTheMiddleOfASessionLosesNothing) {
  testing::QueueReader reader(url_, queue_);
  std::unique_ptr<FactoryOutput> output;
  std::string error;
  ASSERT_TRUE(FactoryOutput::Open(Settings(url_), output, error)) << error;
  std::vector<std::string> sent;
  const auto take = [&](int from, int to) {
    for (int n = from; n < to; ++n) {
      const records::Record record = Numbered(n);
      sent.push_back(record.id);
      output->Take(record);
    }
  };
  take(0, 5);
  ASSERT_TRUE(output->Box().WaitEmpty(std::chrono::steady_clock::now() + 10s));
  testing::PauseBroker();
  take(5, 10);  // into the outbox: the broker is away
  EXPECT_EQ(output->Box().Waiting(), 5u);
  for (int i = 0; i < 50 && output->Link().connected; ++i)
    std::this_thread::sleep_for(100ms);  // the link hears of the closed connection on its thread
  EXPECT_FALSE(output->Link().connected);
  testing::ResumeBroker();
  take(10, 15);
  ASSERT_TRUE(output->Box().WaitEmpty(std::chrono::steady_clock::now() + 30s));
  output->Close();
  EXPECT_EQ(TestedIds(reader.Wait(17, 30s)), sent);
}

TEST_F(BrokerTest, AStationKilledWithMessagesInItsOutboxSendsThemAtItsNextStart) {
  testing::QueueReader reader(url_, queue_);
  std::vector<std::string> sent;
  for (int n = 0; n < 3; ++n)
    sent.push_back(Numbered(n).id);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A broker nobody listens at: everything stays in the outbox until the kill.
    std::unique_ptr<FactoryOutput> output;
    std::string error;
    if (!FactoryOutput::Open(Settings("amqp://127.0.0.1:1"), output, error)) _exit(2);
    for (int n = 0; n < 3; ++n) {
      records::Record record = Numbered(n);
      record.id = sent[static_cast<size_t>(n)];
      output->Take(record);
    }
    raise(SIGKILL);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
  std::unique_ptr<FactoryOutput> output;
  std::string error;
  ASSERT_TRUE(FactoryOutput::Open(Settings(url_), output, error)) << error;
  output->Close();
  EXPECT_EQ(TestedIds(reader.Wait(6, 10s)), sent);
}

TEST_F(BrokerTest, TheMesDecidesWhetherAUnitIsTestedHere) {
  const std::string requests = "/queue/mes-" + records::NewRecordId();
  testing::StandInMes mes(url_, requests, [](const std::string& unit) {
    std::optional<std::pair<bool, std::string>> answer;
    if (unit == "U-OK") answer = {true, "OK"};
    if (unit == "U-BAD") answer = {false, "wrong route: not through burn-in"};
    return answer;  // U-SILENT: no answer
  });
  const std::string check =
      "ValidateUnits=yes\nMesHandle=Halyard.Test.MES\nValidationAddress=" + requests +
      "\nValidationTimeoutMs=600\n";
  const struct {
    std::string unit;
    std::string noAnswer;
    bool passed;
    std::string reason;
  } cases[] = {
      {"U-OK", "refuse", true, ""},
      {"U-BAD", "refuse", false,
       "the MES refused unit U-BAD: wrong route: not through burn-in (failure code 42)"},
      {"U-SILENT", "refuse", false, "the MES did not answer the unit check within 600 ms"},
      {"U-SILENT", "admit", true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.unit + " " + c.noAnswer);
    const CliRun run = Halyardctl({"--json", "serial=" + c.unit, "version-test"},
                                  Ini(check + "WhenNoAnswer=" + c.noAnswer + "\n"));
    std::istringstream lines(run.out);
    json step;
    for (std::string line; std::getline(lines, line);) {
      const json object = json::parse(line, nullptr, false);
      if (object.value("step", "") == "version-test") step = object;
    }
    ASSERT_TRUE(step.is_object()) << run.out << run.err;
    EXPECT_EQ(step["verdict"], c.passed ? "passed" : "failed");
    EXPECT_EQ(run.status, c.passed ? 0 : 1);
    if (c.passed) continue;
    EXPECT_EQ(step["reason"], c.reason);
    EXPECT_EQ(step["trace"], json::array());  // refused before any bus traffic
  }
  EXPECT_GE(mes.Asked(), 4u);
}

TEST_F(BrokerTest, TheBackfillSendsStoredRecordsAsRepeatsOfThemselves) {
  const std::string store = (folder_ / "r.db").string();
  std::unique_ptr<records::RecordStore> db;
  std::string error;
  ASSERT_TRUE(records::OpenStore(store, db, error)) << error;
  std::vector<std::string> stored;
  for (int n = 0; n < 3; ++n) {
    const records::Record record = Numbered(n);
    ASSERT_TRUE(db->Write(record, error)) << error;
    stored.push_back(record.id);
  }
  testing::QueueReader reader(url_, queue_);
  const fs::path config = folder_ / "export.ini";
  std::ofstream(config) << Ini();
  for (int pass = 0; pass < 2; ++pass) {
    std::ostringstream out, err;
    const int status = cli::HalyardctlMain(
        {"records", "export", "--cfx", "--store", store, "--config", config.string()}, folder_, out,
        err);
    EXPECT_EQ(status, 0) << out.str() << err.str();
    EXPECT_NE(out.str().find("exported 3 records; the broker accepted every message"),
              std::string::npos)
        << out.str();
  }
  const std::vector<std::string> got = reader.Wait(6, 10s);
  EXPECT_EQ(got.size(), 6u);
  EXPECT_EQ(TestedIds(got), stored);  // the second pass only repeats the first
}

TEST_F(BrokerTest, ABackfillThatCannotFinishSaysSoAndKeepsTheRest) {
  const std::string store = (folder_ / "r.db").string();
  std::unique_ptr<records::RecordStore> db;
  std::string error;
  ASSERT_TRUE(records::OpenStore(store, db, error)) << error;
  ASSERT_TRUE(db->Write(Numbered(1), error)) << error;
  const struct {
    std::string ini;
    int status;
    std::string said;
  } cases[] = {
      {halyard::testing::DefaultIni(), 2, "names no broker ([Factory] Broker=)"},
      {Ini("Broker=amqp://127.0.0.1:1\n"), 1, "exported 1 records; 1 wait in "},
      // What the last one left goes first, and now the broker takes both.
      {Ini(), 0, "exported 1 records and 1 left by an earlier export; the broker accepted"},
  };
  for (const auto& c : cases) {
    const fs::path config = folder_ / "export.ini";
    // The first Broker= wins: the unreachable one stands before the section's own.
    std::string ini = c.ini;
    if (const size_t at = ini.find("Broker=amqp://127.0.0.1:1\n"); at != std::string::npos) {
      ini.erase(at, std::string("Broker=amqp://127.0.0.1:1\n").size());
      ini.insert(ini.find("[Factory]\n") + 10, "Broker=amqp://127.0.0.1:1\n");
    }
    std::ofstream(config) << ini;
    std::ostringstream out, err;
    const int status = cli::HalyardctlMain({"records", "export", "--cfx", "--store", store,
                                            "--config", config.string(), "--wait", "1"},
                                           folder_, out, err);
    EXPECT_EQ(status, c.status) << out.str() << err.str();
    EXPECT_NE((out.str() + err.str()).find(c.said), std::string::npos) << out.str() << err.str();
  }
}

TEST_F(BrokerTest, AWrongPasswordKeepsTheMessagesAndIsNeverPrinted) {
  const fs::path password = folder_ / "pw";
  std::ofstream(password) << "not-the-Password-42\n";
  const CliRun run = Halyardctl({"serial=U1", "version-test"},
                                Ini("User=guest\nPasswordFile=" + password.string() + "\n"));
  EXPECT_EQ(run.status, 0) << run.out << run.err;
  EXPECT_EQ((run.out + run.err).find("not-the-Password-42"), std::string::npos);
  std::ifstream outbox(folder_ / "cfx.outbox");
  const std::string kept(std::istreambuf_iterator<char>(outbox), {});
  EXPECT_NE(kept.find("UnitsTested"), std::string::npos);
  EXPECT_EQ(kept.find("not-the-Password-42"), std::string::npos);
}

}  // namespace
}  // namespace halyard::factory
