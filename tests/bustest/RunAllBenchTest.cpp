// The "Test" tab on the simulated bench: a sweep that fails each adapter call of "Run All" in
// turn, the bench answering in ways a real adapter or target may, and the single test buttons.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "bustest/StationBench.h"

namespace halyard {
namespace {

using testing::StationBench;

// The test a traced call belongs to in a run of all four: version, SMBus, I2C, SWB.
int TestOfCall(const std::string& line) {
  if (line.starts_with("GetAdapterVersion")) return 0;
  if (line.starts_with("ReadSmbusBlock")) return 1;
  if (line.starts_with("I2cAccess")) return 2;
  if (line.starts_with("ReadSwbWord")) return 3;
  return -1;
}

bool IsI2cClose(const std::string& line) {
  return line.starts_with("I2cAccess function=0 device=0x00 register=0x00");
}

// Labels and counter after a run that stopped at test `failing` (-1: a passing run).
void ExpectRunResult(const Form1& form, int failing) {
  const auto& c = form.Controls();
  const int last = failing < 0 ? 4 : failing;
  for (int t = 0; t < 4; ++t) {
    SCOPED_TRACE("test " + std::to_string(t));
    const auto& label = c.Label6[static_cast<size_t>(t)];
    if (t < last) {
      EXPECT_EQ(label.Caption, t == 3 ? "Pass" : "True");
      EXPECT_EQ(label.BackColor, kColorPassBack);
    } else if (t == last) {
      EXPECT_EQ(label.Caption, t == 3 ? "Fail" : "False");
      EXPECT_EQ(label.ForeColor, kColorFailFore);
      EXPECT_EQ(label.BackColor, kColorFailBack);
    } else {
      EXPECT_EQ(label.Caption, "");
      EXPECT_EQ(label.BackColor, kColorNeutral);
    }
    EXPECT_EQ(form.State().TestPassed[static_cast<size_t>(t)], t < last);
  }
  EXPECT_EQ(c.Label6[4].Caption, failing < 0 ? "Pass" : "Fail");
  EXPECT_EQ(c.Label6[4].BackColor, failing < 0 ? kColorPassBack : kColorFailBack);
  EXPECT_EQ(form.State().TestPassed[4], failing < 0);
  EXPECT_EQ(c.Label3.Caption, failing < 0 ? "1" : "0");
}

TEST(RunAllBenchTest, FailingEachCallInTurnStopsTheRunAtItsTest) {
  std::vector<std::string> passing;
  {
    StationBench bench(true);
    bench.Start();
    ASSERT_TRUE(bench.Form().Command2_Click(4));
    ExpectRunResult(bench.Form(), -1);
    const auto& c = bench.Form().Controls();
    EXPECT_EQ(std::vector<std::string>({c.Label5[0].Caption, c.Label5[1].Caption,
                                        c.Label5[2].Caption, c.Label5[3].Caption}),
              std::vector<std::string>({"", "0", "0", "0"}));
    EXPECT_NEAR(bench.Pump().WaitedSeconds(), 0.8, 1e-6);
    passing = bench.TakeTrace();
  }
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
      EXPECT_TRUE(bench.Messages().empty());

      // Every call up to the failing one is the same as in a passing run.
      ASSERT_GT(trace.size(), failing);
      for (size_t i = 0; i < failing; ++i)
        EXPECT_EQ(trace[i], passing[i]);
      EXPECT_EQ(testing::TraceStatus(trace[failing]), std::to_string(status));

      // The closing call's status is never looked at: the run goes on and passes.
      const int test = IsI2cClose(passing[failing]) ? -1 : TestOfCall(passing[failing]);
      ExpectRunResult(bench.Form(), test);
      // A pause comes before each test that runs, none after the last.
      EXPECT_NEAR(bench.Pump().WaitedSeconds(), 0.2 * (test < 0 ? 4 : test + 1), 1e-6);
      if (test < 0) continue;
      EXPECT_FALSE(bench.Sim().I2cRunOpen());

      // What follows the failing call: the I2C test still closes its run; nothing else.
      const std::vector<std::string> after(trace.begin() + static_cast<long>(failing) + 1,
                                           trace.end());
      EXPECT_EQ(after.size(), test == 2 ? 1u : 0u);
      if (test == 2 && !after.empty()) {
        EXPECT_TRUE(IsI2cClose(after[0])) << after[0];
      }

      // The failing test's detail shows the read's status; the version test's stays blank, and
      // an I2C run that did not open leaves its label as it was.
      const std::string shown = std::to_string(status);
      const bool i2cOpen = passing[failing].starts_with("I2cAccess function=0 device=0x01");
      const std::string detail[] = {"", shown, i2cOpen ? "Label5" : shown, shown};
      EXPECT_EQ(c.Label5[static_cast<size_t>(test)].Caption, detail[test]);

      // The fault was one call: the next run passes and is counted.
      ASSERT_TRUE(bench.Form().Command2_Click(4));
      ExpectRunResult(bench.Form(), -1);
    }
  }
}

// Rules that answer every matching call in the adapter's place.
BenchRule Answer(Operation op, int16_t status = 0) {
  BenchRule rule;
  rule.op = op;
  rule.times = -1;
  rule.status = status;
  return rule;
}
BenchRule Version(int16_t first, int16_t second, int16_t status = 0) {
  BenchRule rule = Answer(Operation::kGetAdapterVersion, status);
  rule.outputs.first = first;
  rule.outputs.second = second;
  return rule;
}
BenchRule Block(int32_t count, const std::string& text) {
  BenchRule rule = Answer(Operation::kReadSmbusBlock);
  rule.outputs.count = count;
  rule.outputs.data = std::vector<uint8_t>(text.begin(), text.end());
  return rule;
}
BenchRule Value(Operation op, int16_t value) {
  BenchRule rule = Answer(op);
  rule.outputs.value = value;
  return rule;
}

TEST(RunAllBenchTest, AnswersThatMustFailOrPassTheirTest) {
  // The bench adapter reports version "1.2" (0x312E, 0x32), which the configuration expects.
  BenchRule i2cOtherText = Value(Operation::kI2cAccess, 'h');
  i2cOtherText.match.function = 2;
  i2cOtherText.match.reg = 0x21;
  struct Row {
    const char* name;
    bool configured;
    std::optional<BenchRule> rule;
    int failing;                        // the test that fails, -1 for none
    std::optional<std::string> detail;  // Label5 of the failing test
  };
  const Row rows[] = {
      {"blank target", false, std::nullopt, 1, std::nullopt},
      {"other version", true, Version(0x312E, 0x33), 0, ""},
      {"version bytes swapped", true, Version(0x2E31, 0x32), 0, ""},
      {"third version value beyond a byte", true, Version(0x312E, 0x0132), 0, ""},
      {"failed version read with the right values", true, Version(0x312E, 0x32, 4), 0, ""},
      {"block count beyond the array", true, Block(200, std::string(12, 'x')), 1,
       std::to_string(kStatusBlockCountBeyondArray)},
      {"SMBus text in other case", true, Block(12, "halyard_test"), 1, "0"},
      {"SMBus text with a NUL after it", true, Block(13, std::string("Halyard_Test\0", 13)), 1,
       "0"},
      {"SMBus text cut short", true, Block(11, "Halyard_Tes"), 1, "0"},
      {"I2C text other", true, i2cOtherText, 2, "0"},
      {"SWB words of anything", true, Value(Operation::kReadSwbWord, 0), -1, std::nullopt},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    StationBench bench(row.configured);
    bench.Start();
    if (row.rule) bench.AddRule(*row.rule);
    ASSERT_TRUE(bench.Form().Command2_Click(4));
    ExpectRunResult(bench.Form(), row.failing);
    if (row.detail) {
      EXPECT_EQ(bench.Form().Controls().Label5[static_cast<size_t>(row.failing)].Caption,
                *row.detail);
    }
  }
}

TEST(RunAllBenchTest, SingleButtonsShowTrueOrFalseAndTouchOnlyTheirOwnLabels) {
  StationBench bench(true);
  bench.Start();
  Form1& form = bench.Form();
  ASSERT_TRUE(form.Command2_Click(4));
  const FormControls run = form.Controls();
  bench.TakeTrace();
  const int pumps = bench.Pump().pumps;

  // Unknown buttons do nothing.
  for (int16_t index : {int16_t{-1}, int16_t{5}, int16_t{32767}})
    ASSERT_TRUE(form.Command2_Click(index));
  EXPECT_TRUE(bench.TakeTrace().empty());

  // Another text in the target fails the SMBus and I2C tests; the SWB test proves the bus only.
  bench.Sim().Target()[0x21] = 'h';
  const bool expected[] = {true, false, false, true};
  for (int16_t index = 0; index < 4; ++index) {
    SCOPED_TRACE(index);
    ASSERT_TRUE(form.Command2_Click(index));
    const auto& label = form.Controls().Label6[static_cast<size_t>(index)];
    EXPECT_EQ(label.Caption, expected[index] ? "True" : "False");
    EXPECT_EQ(label.BackColor, expected[index] ? kColorPassBack : kColorFailBack);
    // The others keep what the run left.
    for (auto other = static_cast<size_t>(index) + 1; other < 5; ++other) {
      EXPECT_EQ(form.Controls().Label6[other].Caption, run.Label6[other].Caption) << other;
      EXPECT_EQ(form.Controls().Label6[other].BackColor, run.Label6[other].BackColor) << other;
    }
  }
  EXPECT_EQ(form.Controls().Label5[1].Caption, "0");
  EXPECT_EQ(form.Controls().Label5[2].Caption, "0");
  EXPECT_EQ(form.Controls().Label3.Caption, "1");
  EXPECT_THAT(form.State().TestPassed, ::testing::Each(true));
  EXPECT_EQ(bench.Pump().pumps, pumps);  // single tests do not wait
}

}  // namespace
}  // namespace halyard
