// The SetUp tab on the simulated bench: configuring a blank target with each adapter call
// failing in turn.
#include <gmock/gmock.h>

#include "support/TestStation.h"

namespace halyard {
namespace {

TEST(SetUpTest, EachFailingCallLeavesTheTargetUnconfiguredAndNothingWrittenAfterIt) {
  testing::TestStation reference;
  reference.form().Command1_Click();
  const std::vector<std::string> passing = reference.TakeTrace();
  // Open, flag read, flag write, length write, twelve characters, close.
  ASSERT_EQ(passing.size(), 17u);
  for (size_t failing = 0; failing < passing.size(); ++failing) {
    for (int16_t status : {int16_t{-1}, int16_t{6}}) {
      SCOPED_TRACE(passing[failing] + " fails with " + std::to_string(status));
      testing::TestStation bench;
      bench.FailNthCall(failing + 1, status);
      ASSERT_TRUE(bench.form().Command1_Click());
      const size_t calls = bench.TakeTrace().size();
      const bool succeeded = failing == 16;  // the close's status is never looked at
      // Nothing follows the failing call but the close.
      EXPECT_EQ(calls, succeeded ? 17 : failing + 2);
      EXPECT_TRUE(succeeded || !bench.sim().I2cRunOpen());  // a scripted close closes nothing
      // One message when a character fails, none otherwise.
      const testing::RecordedMessage message{"Could not write configuration string to device", 0,
                                             bench.form().Info().title};
      EXPECT_EQ(bench.dialogs.messages, std::vector(failing >= 4 && failing < 16 ? 1 : 0, message));
      EXPECT_EQ(bench.form().State().TargetNotConfigured, !succeeded);
      EXPECT_EQ(bench.form().Controls().SSTab1.Tab, succeeded ? 1 : 0);

      // Length, then the characters before a failed one; nothing after them, no terminator.
      std::string expected =
          failing < 4 ? "" : std::string("\x0CHalyard_Test").substr(0, failing - 3);
      expected.resize(14, '\xFF');
      const TargetMemory& memory = bench.sim().Target();
      EXPECT_EQ(std::string(memory.begin() + 0x20, memory.begin() + 0x2E), expected);

      // A restart finds the target configured only when all of it was written, and Run All
      // then passes on it.
      bench.form().Form_Unload();
      bench.form().Form_Load();
      EXPECT_EQ(bench.form().State().TargetNotConfigured, !succeeded);
      if (!succeeded) continue;
      ASSERT_TRUE(bench.form().Command2_Click(4));
      EXPECT_EQ(bench.form().Controls().Label6[4].Caption, "Pass");
    }
  }
}

}  // namespace
}  // namespace halyard
