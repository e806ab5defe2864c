// The "Test" tab and the configuration through the whole window logic on the simulated bench:
// golden traces, the operator's path, clicks during waits, and "Run All" with each adapter call
// failing in turn or answered in ways a real adapter or target may.
#include <gmock/gmock.h>

#include <tuple>

#include "adapter/ModUSB.h"
#include "support/Golden.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

const testing::TestStationSetup kConfigured{.bench = R"({"target": {"configured": true}})"};

TEST(StationTest, ConfiguringABlankTargetMatchesItsGoldenTrace) {
  testing::TestStation bench;
  bench.form().SelectTab(1);
  bench.form().Command1_Click();
  bench.form().Form_Unload();
  testing::ExpectGolden(bench.all, "bustest/golden/configure-blank-target.txt");
}

TEST(StationTest, PassingRunAllMatchesItsGoldenTraceWhateverIsClickedDuringItsWaits) {
  testing::TestStation bench(kConfigured);
  Form1& form = bench.form();
  const size_t startup = bench.all.size();
  std::vector<size_t> callsBeforeWait;
  std::vector<bool> taken;
  bench.pump.duringWait = [&] {
    callsBeforeWait.push_back(bench.all.size() - startup);
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
  testing::TestStation reference(kConfigured);
  reference.form().Command2_Click(4);
  const std::vector<std::string> passing = reference.TakeTrace();
  // Version, SMBus, I2C (open, thirteen reads, close), seven SWB words: as the golden trace.
  ASSERT_EQ(passing.size(), 23u);
  for (size_t failing = 0; failing < passing.size(); ++failing) {
    for (int16_t status : {int16_t{-1}, int16_t{7}}) {
      SCOPED_TRACE(passing[failing] + " fails with " + std::to_string(status));
      testing::TestStation bench(kConfigured);
      bench.FailNthCall(failing + 1, status);
      ASSERT_TRUE(bench.form().Command2_Click(4));
      // The failing call's test; the I2C close's status is never looked at.
      const int test = failing == 15 ? -1 : failing < 2 ? int(failing) : failing < 16 ? 2 : 3;
      // Nothing follows the failing call but the I2C test's close.
      EXPECT_EQ(bench.TakeTrace().size(), test < 0 ? 23 : failing + (test == 2 ? 2 : 1));
      EXPECT_TRUE(test < 0 || !bench.sim().I2cRunOpen());  // a scripted close closes nothing
      ExpectRun(bench.form(), test, test < 0 ? "1" : "0");
      // The failing test's detail shows the status; the version test has none, and an I2C run
      // that did not open leaves it as it was.
      if (test > 0 && failing != 2) {
        EXPECT_EQ(bench.form().Controls().Label5[size_t(test)].Caption, std::to_string(status));
      }
      EXPECT_TRUE(bench.dialogs.messages.empty());
      ASSERT_TRUE(bench.form().Command2_Click(4));
      ExpectRun(bench.form(), -1, test < 0 ? "2" : "1");
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
    testing::TestStation bench(kConfigured);
    std::string data;
    for (unsigned char c : text)
      data += TraceBytes({c}, 1) + " ";
    bench.Rule(
        R"({"op": "GetAdapterVersion", "count": -1, "outputs": {"first": 12590, "second": )" +
        std::to_string(second) + "}}");
    bench.Rule(R"({"op": "ReadSmbusBlock", "count": -1, "outputs": {"count": )" +
               std::to_string(count) + R"(, "data": ")" + data + R"("}})");
    ASSERT_TRUE(bench.form().Command2_Click(4));
    ExpectRun(bench.form(), failing, "0");
    EXPECT_EQ(bench.form().Controls().Label5[size_t(failing)].Caption, detail);
  }
}

}  // namespace
}  // namespace halyard
