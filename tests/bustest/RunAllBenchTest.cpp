// "Run All" on the simulated bench with a configured target: the passing run, and a sweep that
// fails each adapter call of the run in turn and checks what the operator sees and which calls
// follow the failure.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bustest/StationBench.h"

namespace halyard {
namespace {

using testing::StationBench;
using testing::TraceStatus;

// The test a traced call belongs to in a run of all four: version, SMBus, I2C, SWB.
int TestOfCall(const std::string& line) {
  if (line.starts_with("GetAdapterVersion")) return 0;
  if (line.starts_with("ReadSmbusBlock")) return 1;
  if (line.starts_with("I2cAccess")) return 2;
  if (line.starts_with("ReadSwbWord")) return 3;
  return -1;
}

std::string CallPart(const std::string& line) {
  return line.substr(0, line.find(" -> "));
}

bool IsI2cClose(const std::string& line) {
  return line.starts_with("I2cAccess function=0 device=0x00 register=0x00");
}
bool IsI2cOpen(const std::string& line) {
  return line.starts_with("I2cAccess function=0 device=0x01 register=0x00");
}

std::vector<std::string> PassingRunTrace() {
  StationBench bench(true);
  bench.Start();
  bench.Form().Command2_Click(4);
  return bench.TakeTrace();
}

TEST(RunAllBenchTest, ConfiguredTargetPassesEveryTestWithTheCallsOfEachPart) {
  StationBench bench(true);
  bench.Start();
  ASSERT_FALSE(bench.Form().State().TargetNotConfigured);
  ASSERT_TRUE(bench.Form().Command2_Click(4));
  const auto& c = bench.Form().Controls();
  EXPECT_EQ(c.Label6[0].Caption, "True");
  EXPECT_EQ(c.Label6[1].Caption, "True");
  EXPECT_EQ(c.Label6[2].Caption, "True");
  EXPECT_EQ(c.Label6[3].Caption, "Pass");
  EXPECT_EQ(c.Label6[4].Caption, "Pass");
  EXPECT_EQ(c.Label6[4].BackColor, kColorPassBack);
  EXPECT_EQ(c.Label3.Caption, "1");
  EXPECT_EQ(c.Label5[0].Caption, "");
  EXPECT_EQ(c.Label5[1].Caption, "0");
  EXPECT_EQ(c.Label5[2].Caption, "0");
  EXPECT_EQ(c.Label5[3].Caption, "0");
  EXPECT_TRUE(bench.Messages().empty());

  // One version call, one block read, a bracketed run of twelve register reads, seven words.
  std::vector<int> callsPerTest(4, 0);
  for (const auto& line : bench.TakeTrace()) {
    const int test = TestOfCall(line);
    ASSERT_GE(test, 0) << line;
    ++callsPerTest[static_cast<size_t>(test)];
  }
  EXPECT_EQ(callsPerTest, (std::vector<int>{1, 1, 14, 7}));
  EXPECT_FALSE(bench.Sim().I2cRunOpen());
}

TEST(RunAllBenchTest, FailingEachCallInTurnStopsTheRunWhereThePartsSay) {
  const std::vector<std::string> passing = PassingRunTrace();
  ASSERT_EQ(passing.size(), 23u);

  for (size_t failing = 0; failing < passing.size(); ++failing) {
    for (int16_t status : {int16_t{-1}, int16_t{7}}) {
      SCOPED_TRACE("call " + std::to_string(failing + 1) + " (" + passing[failing] +
                   ") fails with " + std::to_string(status));
      StationBench bench(true);
      bench.Start();
      bench.FailNthCall(static_cast<int64_t>(failing + 1), status);
      ASSERT_TRUE(bench.Form().Command2_Click(4));
      const std::vector<std::string> trace = bench.TakeTrace();
      const auto& c = bench.Form().Controls();
      const auto& s = bench.Form().State();
      EXPECT_TRUE(bench.Messages().empty());

      // Every call up to the failing one is the same as in a passing run.
      ASSERT_GT(trace.size(), failing);
      for (size_t i = 0; i < failing; ++i)
        EXPECT_EQ(trace[i], passing[i]);
      EXPECT_EQ(CallPart(trace[failing]), CallPart(passing[failing]));
      EXPECT_EQ(TraceStatus(trace[failing]), std::to_string(status));

      if (IsI2cClose(passing[failing])) {
        // The closing call's status is never looked at: the run goes on and passes.
        EXPECT_EQ(trace.size(), passing.size());
        EXPECT_EQ(c.Label6[4].Caption, "Pass");
        EXPECT_EQ(c.Label3.Caption, "1");
        continue;
      }
      EXPECT_FALSE(bench.Sim().I2cRunOpen());

      const int test = TestOfCall(passing[failing]);
      // What follows the failing call: the I2C test still closes its run; nothing else.
      std::vector<std::string> after(trace.begin() + static_cast<long>(failing) + 1, trace.end());
      if (test == 2) {
        ASSERT_EQ(after.size(), 1u);
        EXPECT_TRUE(IsI2cClose(after[0])) << after[0];
      } else {
        EXPECT_TRUE(after.empty());
      }

      for (int t = 0; t < 4; ++t) {
        const auto& label = c.Label6[static_cast<size_t>(t)];
        if (t < test) {
          EXPECT_EQ(label.Caption, "True") << t;
          EXPECT_EQ(label.BackColor, kColorPassBack) << t;
        } else if (t == test) {
          EXPECT_EQ(label.Caption, t == 3 ? "Fail" : "False") << t;
          EXPECT_EQ(label.ForeColor, kColorFailFore) << t;
          EXPECT_EQ(label.BackColor, kColorFailBack) << t;
        } else {
          EXPECT_EQ(label.Caption, "") << t;
          EXPECT_EQ(label.BackColor, kColorNeutral) << t;
        }
        EXPECT_EQ(s.TestPassed[static_cast<size_t>(t)], t < test) << t;
      }
      EXPECT_EQ(c.Label6[4].Caption, "Fail");
      EXPECT_FALSE(s.TestPassed[4]);
      EXPECT_EQ(c.Label3.Caption, "0");

      // The failing test's detail label shows the read status; the version test's stays
      // blank, and a run of I2C accesses that did not open leaves its label as it was.
      const std::string shown = std::to_string(status);
      switch (test) {
        case 0:
          EXPECT_EQ(c.Label5[0].Caption, "");
          break;
        case 1:
          EXPECT_EQ(c.Label5[1].Caption, shown);
          break;
        case 2:
          EXPECT_EQ(c.Label5[2].Caption, IsI2cOpen(passing[failing]) ? "Label5" : shown);
          break;
        case 3:
          EXPECT_EQ(c.Label5[3].Caption, shown);
          break;
        default:
          ADD_FAILURE() << "unexpected call " << passing[failing];
      }

      // The fault was one call: the next run passes and is counted.
      ASSERT_TRUE(bench.Form().Command2_Click(4));
      EXPECT_EQ(c.Label6[4].Caption, "Pass");
      EXPECT_EQ(c.Label3.Caption, "1");
    }
  }
}

TEST(RunAllBenchTest, BlankTargetFailsAtTheSmbusTest) {
  StationBench bench(false);
  bench.Start();
  ASSERT_TRUE(bench.Form().Command2_Click(4));
  const auto& c = bench.Form().Controls();
  EXPECT_EQ(c.Label6[0].Caption, "True");
  EXPECT_EQ(c.Label6[1].Caption, "False");
  EXPECT_EQ(c.Label6[2].Caption, "");
  EXPECT_EQ(c.Label6[4].Caption, "Fail");
  EXPECT_EQ(c.Label3.Caption, "0");
}

TEST(RunAllBenchTest, BlockCountBeyondTheArrayFailsTheSmbusTest) {
  StationBench bench(true);
  bench.Start();
  BenchRule rule;
  rule.op = Operation::kReadSmbusBlock;
  rule.status = 0;
  rule.outputs.count = 200;
  rule.outputs.data = std::vector<uint8_t>(12, 'x');
  bench.Sim().AddRule(rule);
  ASSERT_TRUE(bench.Form().Command2_Click(4));
  const auto& c = bench.Form().Controls();
  EXPECT_EQ(c.Label6[1].Caption, "False");
  EXPECT_EQ(c.Label5[1].Caption, std::to_string(kStatusBlockCountBeyondArray));
  EXPECT_EQ(c.Label6[4].Caption, "Fail");
}

TEST(RunAllBenchTest, AdapterVersionOtherThanConfiguredFailsFirst) {
  std::string error;
  auto sim = MakeSimulatedAdapterFromJson(R"({"adapter_version": "1.3"})", error);
  ASSERT_NE(sim, nullptr) << error;
  // The configuration file follows the bench, so expect 1.3 there and make the bench say 1.2.
  StationBench bench(std::move(sim), true);
  bench.Start();
  BenchRule rule;
  rule.op = Operation::kGetAdapterVersion;
  rule.times = -1;
  rule.outputs.first = 0x312E;
  rule.outputs.second = 0x32;
  bench.Sim().AddRule(rule);
  ASSERT_TRUE(bench.Form().Command2_Click(4));
  EXPECT_EQ(bench.Form().Controls().Label6[0].Caption, "False");
  EXPECT_EQ(bench.TakeTrace().size(), 1u);
  EXPECT_NEAR(bench.Pump().WaitedSeconds(), 0.2, 1e-6);
}

}  // namespace
}  // namespace halyard
