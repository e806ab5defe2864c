// The bus tests and the configuration through the whole window logic on the simulated bench:
// golden traces from start-up to shutdown, the operator's path from a blank target to counted
// runs, and clicks that arrive while "Run All" waits.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "bustest/StationBench.h"
#include "support/Golden.h"

namespace halyard {
namespace {

using testing::ExpectGolden;
using testing::StationBench;

std::vector<std::string> Joined(std::vector<std::string> first,
                                const std::vector<std::string>& second) {
  first.insert(first.end(), second.begin(), second.end());
  return first;
}

TEST(StationGoldenTest, ConfiguringABlankTarget) {
  StationBench bench;
  bench.Start();
  bench.Form().SelectTab(1);
  bench.Form().Command1_Click();
  bench.Form().Form_Unload();
  ExpectGolden(Joined(bench.StartupTrace(), bench.TakeTrace()),
               "bustest/golden/configure-blank-target.txt");
}

TEST(StationGoldenTest, PassingRunAll) {
  StationBench bench(true);
  bench.Start();
  bench.Form().Command2_Click(4);
  ASSERT_EQ(bench.Form().Controls().Label6[4].Caption, "Pass");
  bench.Form().Form_Unload();
  ExpectGolden(Joined(bench.StartupTrace(), bench.TakeTrace()), "bustest/golden/run-all-pass.txt");
}

TEST(StationFlowTest, BlankTargetToThreeCountedRuns) {
  StationBench bench;
  bench.Start();
  Form1& form = bench.Form();
  EXPECT_EQ(form.Controls().SSTab1.Tab, 0);
  EXPECT_TRUE(form.State().TargetNotConfigured);
  for (const auto& label : form.Controls().Label6)
    EXPECT_EQ(label.BackColor, kColorNeutral);

  ASSERT_TRUE(form.SelectTab(1));
  EXPECT_EQ(form.Controls().SSTab1.Tab, 2);  // the guard sends the operator to SetUp

  ASSERT_TRUE(form.Command1_Click());
  EXPECT_EQ(form.Controls().SSTab1.Tab, 1);
  EXPECT_FALSE(form.State().TargetNotConfigured);
  ASSERT_TRUE(form.SelectTab(0));
  ASSERT_TRUE(form.SelectTab(1));
  EXPECT_EQ(form.Controls().SSTab1.Tab, 1);  // and Test stays reachable

  ASSERT_TRUE(form.Command2_Click(4));
  EXPECT_EQ(form.Controls().Label6[4].Caption, "Pass");
  EXPECT_EQ(form.Controls().Label3.Caption, "1");
  ASSERT_TRUE(form.Command2_Click(4));
  ASSERT_TRUE(form.Command2_Click(4));
  EXPECT_EQ(form.Controls().Label3.Caption, "3");
  EXPECT_TRUE(bench.Messages().empty());
}

TEST(StationFlowTest, ClicksDuringARunAllWaitStartNothing) {
  std::vector<std::string> undisturbed;
  {
    StationBench bench(true);
    bench.Start();
    bench.Form().Command2_Click(4);
    undisturbed = bench.TakeTrace();
  }

  StationBench bench(true);
  bench.Start();
  Form1& form = bench.Form();
  std::vector<size_t> callsBeforeWait;
  std::vector<bool> taken;
  bench.Pump().duringWait = [&] {
    callsBeforeWait.push_back(bench.TraceSize());
    taken.push_back(form.Command2_Click(4));  // a second Run All
    for (int16_t index = 0; index < 4; ++index)
      taken.push_back(form.Command2_Click(index));
    taken.push_back(form.Command1_Click());
    taken.push_back(form.Program_Click());
    taken.push_back(form.StartTrim_Click());
    taken.push_back(form.RsvFlashRd_Click());
    taken.push_back(form.Update_Click());
    taken.push_back(form.MoveFineAdjust(3));
    taken.push_back(form.MoveGrossAdjust(200));
  };
  ASSERT_TRUE(form.Command2_Click(4));
  bench.Pump().duringWait = nullptr;

  // One pause before each test: version, SMBus, I2C (fourteen calls), SWB.
  EXPECT_EQ(callsBeforeWait, (std::vector<size_t>{0, 1, 2, 16}));
  EXPECT_THAT(taken, ::testing::Each(false));
  EXPECT_EQ(bench.TakeTrace(), undisturbed);
  EXPECT_EQ(form.Controls().Label6[4].Caption, "Pass");
  EXPECT_EQ(form.Controls().Label3.Caption, "1");
  EXPECT_EQ(form.Controls().FineAdjust.Value, 128);
  EXPECT_EQ(form.Controls().GrossAdjust.Value, 128);
  EXPECT_TRUE(bench.Messages().empty());
  EXPECT_FALSE(form.Busy());
  EXPECT_TRUE(form.Command2_Click(0));  // taken again once the run is over
}

}  // namespace
}  // namespace halyard
