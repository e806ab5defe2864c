// The line's factory messages against the real broker: each socket's worker tells a unit's work
// from its sequence's first step to its last, with the socket as the unit's position, through an
// outbox and reply queue of the socket's own; a unit the MES refuses fails its first step
// untouched; the work of a unit whose worker died is ended, as failed, by the socket's next worker.
#include <gtest/gtest.h>

#include <map>

#include <nlohmann/json.hpp>

#include "factory/BrokerPeer.h"
#include "factory/CfxSchema.h"
#include "line/LineTesting.h"
#include "records/RecordFormat.h"

namespace halyard::factory {
namespace {

using nlohmann::json;
using namespace std::chrono_literals;
using line::testing::LineFolder;
using line::testing::LineRun;

// The unit a message is about, with its position: from the unit's work or its tested unit.
std::pair<std::string, int> UnitOf(const json& body) {
  if (body.contains("Units")) {
    const json& unit = body["Units"][0];
    return {unit["UnitIdentifier"], unit["PositionNumber"]};
  }
  if (body.contains("TestedUnits")) {
    const json& unit = body["TestedUnits"][0];
    return {unit["UnitIdentifier"], unit["UnitPositionNumber"]};
  }
  return {"", 0};
}

// "WorkStarted", "UnitsTested run-all", "WorkCompleted Failed".
std::string What(const json& message) {
  const std::string name = message["MessageName"];
  const json& body = message["MessageBody"];
  std::string text = name.substr(name.rfind('.') + 1);
  if (body.contains("TestedUnits"))
    text += " " + body["TestedUnits"][0]["Tests"][0]["TestName"].get<std::string>();
  if (name == "CFX.Production.WorkCompleted") text += " " + body["Result"].get<std::string>();
  return text;
}

TEST(LineBroker, EachSocketTellsItsUnitsWorkFromTheSequenceAndTheMesRefusesThroughIt) {
  const std::string url = testing::BrokerUrl();
  ASSERT_FALSE(url.empty());
  const std::string queue = "/queue/cfx-" + records::NewRecordId();
  const std::string requests = "/queue/mes-" + records::NewRecordId();
  testing::QueueReader reader(url, queue);
  testing::StandInMes mes(url, requests, [](const std::string& unit) {
    return std::optional<std::pair<bool, std::string>>(
        {unit != "U-BAD", unit != "U-BAD" ? "OK" : "scrapped"});
  });
  LineFolder folder;
  const std::string factory = "Sequence=configure run-all\n[Factory]\nBroker=" + url +
                              "\nAddress=" + queue +
                              "\nHandle=Halyard.Test.Line\nHeartbeatSeconds=300\nOutbox=" +
                              (folder.Path() / "cfx.outbox").string() +
                              "\nValidateUnits=yes\nMesHandle=Halyard.Test.MES\n"
                              "ValidationAddress=" +
                              requests + "\nValidationTimeoutMs=5000\n";
  // Socket 3's worker dies in the run-all of its second and last unit: the line waits for the
  // socket's next worker to end that unit's work before it finishes.
  const auto config = folder.Write(
      {{"1"},
       {"2"},
       {"3", R"({"rules": [{"op": "GetAdapterVersion", "nth": 2, "fault": "crash"}]})"}},
      factory);
  std::map<std::string, line::UnitReport> units;
  {
    LineRun run(config, folder.Store());
    run.Scan("1", "U-1");
    run.Scan("2", "U-2");
    run.Scan("2", "U-BAD");
    for (const char* unit : {"C-1", "C-2"})
      run.Scan("3", unit);
    units = run.Finish();
  }
  ASSERT_EQ(units.size(), 5u);
  EXPECT_EQ(units["C-2"].verdict, "failed");
  EXPECT_NE(units["C-2"].reason.find("ended by signal"), std::string::npos) << units["C-2"].reason;
  EXPECT_EQ(units["U-1"].verdict, "passed");
  EXPECT_EQ(units["U-2"].verdict, "passed");
  EXPECT_EQ(units["U-BAD"].verdict, "failed");
  EXPECT_NE(units["U-BAD"].reason.find("the MES refused unit U-BAD: scrapped"), std::string::npos)
      << units["U-BAD"].reason;

  // Each socket's outbox is its own; the station's state of each socket starts and ends.
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "cfx-1.outbox"));
  EXPECT_TRUE(std::filesystem::exists(folder.Path() / "cfx-2.outbox"));
  std::map<std::string, std::vector<std::string>> byUnit;
  std::map<std::string, std::set<int>> positions;
  std::map<std::string, std::set<std::string>> transactions;
  // Each socket's start and end, and each unit's messages; C-2's end comes from the next worker.
  // A message the dead worker sent and had not yet seen accepted comes again from its outbox, with
  // its own id: a receiver takes it once, as this one does.
  std::set<std::string> seen;
  reader.Wait(29, 30s);
  for (const std::string& line : reader.Wait(30, 2s)) {
    EXPECT_EQ(testing::CheckEnvelope(line), std::vector<std::string>{}) << line;
    const json message = json::parse(line);
    if (!seen.insert(message["UniqueID"].get<std::string>()).second) continue;
    const auto [unit, position] = UnitOf(message["MessageBody"]);
    if (unit.empty()) continue;
    byUnit[unit].push_back(What(message));
    positions[unit].insert(position);
    if (message["MessageBody"].contains("TransactionID"))
      transactions[unit].insert(message["MessageBody"]["TransactionID"].get<std::string>());
  }
  const std::vector<std::string> passed{"WorkStarted", "UnitsTested configure",
                                        "UnitsTested run-all", "WorkCompleted Completed"};
  for (const char* unit : {"U-1", "U-2", "C-1"})
    EXPECT_EQ(byUnit[unit], passed) << unit;
  // The work the dead worker began is ended by the next one: the same work, failed.
  EXPECT_EQ(byUnit["C-2"], (std::vector<std::string>{"WorkStarted", "UnitsTested configure",
                                                     "WorkCompleted Failed"}));
  EXPECT_EQ(transactions["C-2"].size(), 1u);
  EXPECT_EQ(positions["C-2"], std::set<int>{3});
  EXPECT_EQ(positions["U-1"], std::set<int>{1});
  EXPECT_EQ(positions["U-2"], std::set<int>{2});
  // Refused: no work began and nothing was tested, which the MES knows; the store keeps the
  // refused step's record with its socket and reason.
  EXPECT_EQ(byUnit.count("U-BAD"), 0u);
  const std::vector<records::Record> refused =
      line::testing::StoredRecords(folder.Store(), {.unit = "U-BAD"});
  ASSERT_EQ(refused.size(), 1u);
  EXPECT_EQ(refused[0].socket, "2");
  EXPECT_EQ(refused[0].action, "configure");
  EXPECT_EQ(refused[0].reason, "the MES refused unit U-BAD: scrapped (failure code 42)");
}

}  // namespace
}  // namespace halyard::factory
