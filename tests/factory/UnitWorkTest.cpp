// What the recorder tells its outputs of a unit's work and the station's faults, which the factory
// messages stand on: a unit's begin and end with its verdict, the unit check asked until a unit is
// admitted, faults told as they begin and end and not at every action.
#include <gtest/gtest.h>

#include "assembly/StationRecords.h"
#include "records/ActionRecorder.h"
#include "support/TestStation.h"

namespace halyard::records {
namespace {

// An output that writes down what it was told, one line each.
class Listener final : public RecordOutput {
 public:
  explicit Listener(std::vector<std::string>& heard, bool admits = true)
      : heard_(heard), admits_(admits) {}
  RecordNotice Take(const Record& record) override {
    heard_.push_back("record " + record.unit + " " + record.action + " " + record.verdict);
    return {};
  }
  void UnitBegan(const UnitWork& work) override { heard_.push_back("began " + work.unit); }
  void UnitEnded(const UnitWork& work, UnitVerdict verdict) override {
    const char* names[] = {"passed", "failed", "not tested"};
    heard_.push_back("ended " + work.unit + " " + names[static_cast<int>(verdict)]);
  }
  bool Admit(const UnitWork& work, std::string& reason) override {
    heard_.push_back("asked " + work.unit);
    reason = "no";
    return admits_;
  }
  void FaultChanged(StationFault fault, bool active, const std::string&) override {
    heard_.push_back(std::string(active ? "fault " : "cleared ") +
                     (fault == StationFault::kAdapterLost ? "adapter" : "store"));
  }
  void Close() override { heard_.push_back("closed"); }

 private:
  std::vector<std::string>& heard_;
  bool admits_;
};

ActionResult Result(const std::string& action, bool passed) {
  ActionResult result;
  result.action = action;
  result.passed = passed;
  return result;
}

TEST(UnitWork, AUnitsVerdictIsTheLastRecordOfEachOfItsActions) {
  const struct {
    std::vector<std::pair<std::string, bool>> records;
    std::string ended;
  } cases[] = {
      {{}, "ended U1 not tested"},
      {{{"run-all", true}, {"configure", true}}, "ended U1 passed"},
      {{{"run-all", false}, {"run-all", true}}, "ended U1 passed"},  // a retest that passed
      {{{"run-all", true}, {"run-all", false}}, "ended U1 failed"},
      {{{"run-all", true}, {"trim-read", false}}, "ended U1 failed"},
  };
  for (const auto& c : cases) {
    std::vector<std::string> heard;
    ActionRecorder recorder;
    recorder.AddOutput(std::make_unique<Listener>(heard));
    recorder.BeginUnit("U1");
    for (const auto& [action, passed] : c.records)
      recorder.Record(Result(action, passed));
    recorder.BeginUnit("U2");  // the next scan ends U1
    EXPECT_EQ(heard.back(), "began U2");
    EXPECT_EQ(heard[heard.size() - 2], c.ended);
  }
}

TEST(UnitWork, ASessionBeginsEndsAndClosesInOrder) {
  std::vector<std::string> heard;
  ActionRecorder recorder;
  recorder.AddOutput(std::make_unique<Listener>(heard));
  recorder.Record(Result("version-test", true));  // no unit scanned: no unit's work
  recorder.BeginUnit("U1");
  recorder.Record(Result("run-all", false));
  recorder.BeginUnit("");  // an empty scan ends U1 and begins nothing
  recorder.Record(Result("run-all", true));
  recorder.BeginUnit("U2");
  recorder.Close();
  recorder.Close();  // twice: nothing more
  EXPECT_EQ(heard, (std::vector<std::string>{"record  version-test passed", "began U1",
                                             "record U1 run-all failed", "ended U1 failed",
                                             "record  run-all passed", "began U2",
                                             "ended U2 not tested", "closed", "closed"}));
}

TEST(UnitWork, AUnitIsAskedAboutUntilItIsAdmitted) {
  for (const bool admits : {true, false}) {
    std::vector<std::string> heard;
    ActionRecorder recorder;
    recorder.AddOutput(std::make_unique<Listener>(heard, admits));
    recorder.BeginUnit("U1");
    std::string reason;
    EXPECT_EQ(recorder.Admit(reason), admits);
    EXPECT_EQ(recorder.Admit(reason), admits);
    const size_t asked = std::count(heard.begin(), heard.end(), "asked U1");
    EXPECT_EQ(asked, admits ? 1u : 2u);  // an admitted unit is not asked again
    recorder.BeginUnit("U2");
    recorder.Admit(reason);
    EXPECT_EQ(heard.back(), "asked U2");
  }
}

TEST(UnitWork, AFaultIsToldWhenItBeginsAndWhenItEnds) {
  std::vector<std::string> heard;
  ActionRecorder recorder;
  recorder.AddOutput(std::make_unique<Listener>(heard));
  for (const bool lost : {false, true, true, false, false})
    recorder.SetFault(StationFault::kAdapterLost, lost, "");
  EXPECT_EQ(heard, (std::vector<std::string>{"fault adapter", "cleared adapter"}));
}

// An action the adapter answers "not open" found it lost; the next that reaches it finds it back.
TEST(UnitWork, TheStationsRecordsTellAnAdapterLostAndFound) {
  halyard::testing::TestStation bench;
  StationRecords records;
  std::string error;
  ASSERT_TRUE(records.Open(bench.station(), {.store = kNoStore}, error)) << error;
  std::vector<std::string> heard;
  records.Recorder().AddOutput(std::make_unique<Listener>(heard));
  const ActionRow& version = *FindAction("version-test");
  bench.Rule(R"({"op": "*", "nth": 1, "count": 1, "status": 10})");
  for (int i = 0; i < 3; ++i) {
    bench.station().Perform(version);
    records.Record(bench.station(), bench.station().LastResult());
  }
  EXPECT_EQ(heard, (std::vector<std::string>{"record  version-test failed", "fault adapter",
                                             "record  version-test passed", "cleared adapter",
                                             "record  version-test passed"}));
}

}  // namespace
}  // namespace halyard::records
