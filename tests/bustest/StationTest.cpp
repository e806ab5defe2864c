// The "Test" tab and the configuration through the whole window logic on the simulated bench:
// golden traces, the operator's path, clicks during waits, and "Run All" with each adapter call
// failing in turn or answered in ways a real adapter or target may.
#include <gmock/gmock.h>

#include <tuple>

#include "adapter/ModUSB.h"
#include "bustest/StationBench.h"
#include "support/Golden.h"

namespace halyard {
namespace {

TEST(StationTest, ConfiguringABlankTargetMatchesItsGoldenTrace) {
  testing::StationBench bench;
  bench.form->SelectTab(1);
  bench.form->Command1_Click();
  bench.form->Form_Unload();
  testing::ExpectGolden(bench.all, "bustest/golden/configure-blank-target.txt");
}

TEST(StationTest, OperatorConfiguresABlankTargetThenEachRunAllIsCounted) {
  testing::StationBench bench;
  ASSERT_TRUE(bench.form->SelectTab(1));
  EXPECT_EQ(bench.form->Controls().SSTab1.Tab, 2);  // the guard sends the operator to SetUp
  ASSERT_TRUE(bench.form->Command1_Click());
  EXPECT_EQ(bench.form->Controls().SSTab1.Tab, 1);
  for (const char* count : {"1", "2"}) {
    ASSERT_TRUE(bench.form->Command2_Click(4));
    EXPECT_EQ(bench.form->Controls().Label6[4].Caption, "Pass");
    EXPECT_EQ(bench.form->Controls().Label3.Caption, count);
  }
}

TEST(StationTest, PassingRunAllMatchesItsGoldenTraceWhateverIsClickedDuringItsWaits) {
  testing::StationBench bench(true);
  Form1& form = *bench.form;
  std::vector<size_t> callsBeforeWait;
  std::vector<bool> taken;
  bench.pump.duringWait = [&] {
    callsBeforeWait.push_back(bench.tracer.Lines().size());
    taken.insert(taken.end(),
                 {form.Command2_Click(0), form.Command2_Click(1), form.Command2_Click(2),
                  form.Command2_Click(3), form.Command2_Click(4), form.Command1_Click(),
                  form.Program_Click(), form.StartTrim_Click(), form.RsvFlashRd_Click(),
                  form.Update_Click(), form.MoveFineAdjust(3), form.MoveGrossAdjust(200)});
  };
  ASSERT_TRUE(form.Command2_Click(4));
  // One pause before each test: version, SMBus, I2C (fourteen calls), SWB.
  EXPECT_EQ(callsBeforeWait, (std::vector<size_t>{0, 1, 2, 16}));
  EXPECT_THAT(taken, ::testing::Each(false));
  EXPECT_FALSE(form.Busy());
  form.Form_Unload();
  testing::ExpectGolden(bench.all, "bustest/golden/run-all-pass.txt");
}

// Labels, pass flags and counter after a run that stopped at test `failing` (-1: it passed).
void ExpectRun(const Form1& form, int failing, const std::string& count) {
  for (size_t t = 0; t < 5; ++t) {
    const int ok = failing < 0 || int(t) < failing ? 2 : int(t) == failing || t == 4 ? 1 : 0;
    const std::string captions[] = {"", t < 3 ? "False" : "Fail", t < 3 ? "True" : "Pass"};
    const uint32_t colors[] = {kColorNeutral, kColorFailBack, kColorPassBack};
    EXPECT_EQ(form.Controls().Label6[t].Caption, captions[ok]) << "test " << t;
    EXPECT_EQ(form.Controls().Label6[t].BackColor, colors[ok]) << "test " << t;
    EXPECT_EQ(form.State().TestPassed[t], ok == 2) << "test " << t;
  }
  EXPECT_EQ(form.Controls().Label3.Caption, count);
}

TEST(StationTest, EachFailingCallOfRunAllFailsItsTestAloneAndTheNextRunPasses) {
  testing::StationBench reference(true);
  reference.form->Command2_Click(4);
  const std::vector<std::string> passing = reference.tracer.TakeLines();
  // Version, SMBus, I2C (open, thirteen reads, close), seven SWB words: as the golden trace.
  ASSERT_EQ(passing.size(), 23u);
  for (size_t failing = 0; failing < passing.size(); ++failing) {
    for (int16_t status : {int16_t{-1}, int16_t{7}}) {
      SCOPED_TRACE(passing[failing] + " fails with " + std::to_string(status));
      testing::StationBench bench(true);
      bench.FailNthCall(failing + 1, status);
      ASSERT_TRUE(bench.form->Command2_Click(4));
      // The failing call's test; the I2C close's status is never looked at.
      const int test = failing == 15 ? -1 : failing < 2 ? int(failing) : failing < 16 ? 2 : 3;
      // Nothing follows the failing call but the I2C test's close.
      EXPECT_EQ(bench.tracer.Lines().size(), test < 0 ? 23 : failing + (test == 2 ? 2 : 1));
      EXPECT_TRUE(test < 0 || !bench.sim->I2cRunOpen());  // a scripted close closes nothing
      ExpectRun(*bench.form, test, test < 0 ? "1" : "0");
      // The failing test's detail shows the status; the version test has none, and an I2C run
      // that did not open leaves it as it was.
      if (test > 0 && failing != 2) {
        EXPECT_EQ(bench.form->Controls().Label5[size_t(test)].Caption, std::to_string(status));
      }
      EXPECT_TRUE(bench.dialogs.messages.empty());
      ASSERT_TRUE(bench.form->Command2_Click(4));
      ExpectRun(*bench.form, -1, test < 0 ? "2" : "1");
    }
  }
}

TEST(StationTest, BenchAnswersThatFailTheirTest) {
  // The version read answers (0x312E, second), the SMBus read `count` and `text`; then the
  // test `failing` fails, showing `detail`.
  const std::string id = "Halyard_Test";
  const std::tuple<const char*, int16_t, int32_t, std::string, int, std::string> rows[] = {
      {"third version value beyond a byte", 0x0132, 12, id, 0, ""},
      {"block count past the array", 0x32, 200, id, 1,
       std::to_string(kStatusBlockCountBeyondArray)},
      {"SMBus text with a trailing byte", 0x32, 13, id + '\0', 1, "0"},
      {"SMBus text in other case", 0x32, 12, "halyard_test", 1, "0"},
  };
  for (const auto& [name, second, count, text, failing, detail] : rows) {
    SCOPED_TRACE(name);
    testing::StationBench bench(true);
    for (Operation op : {Operation::kGetAdapterVersion, Operation::kReadSmbusBlock}) {
      BenchRule rule;
      rule.op = op;
      rule.times = -1;
      rule.outputs.first = 0x312E;
      rule.outputs.second = second;
      rule.outputs.count = count;
      rule.outputs.data = std::vector<uint8_t>(text.begin(), text.end());
      bench.sim->AddRule(rule);
    }
    ASSERT_TRUE(bench.form->Command2_Click(4));
    ExpectRun(*bench.form, failing, "0");
    EXPECT_EQ(bench.form->Controls().Label5[size_t(failing)].Caption, detail);
  }
}

}  // namespace
}  // namespace halyard
