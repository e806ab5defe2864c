// The SetUp tab on the simulated bench: configuring a target with each adapter call failing in
// turn, the flag byte's other bits, and the character writes beneath it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "adapter/ModUSB.h"
#include "bustest/StationBench.h"
#include "support/MockTarnelRW.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using testing::RecordedMessage;
using testing::StationBench;

constexpr const char* kId = "Halyard_Test";
const std::string kCharacterFailed = "Could not write configuration string to device";

TEST(SetUpBenchTest, FailingEachCallInTurnEndsWithTheCloseAndTheRightMessage) {
  std::vector<std::string> passing;
  {
    StationBench bench;
    bench.Start();
    bench.Form().Command1_Click();
    passing = bench.TakeTrace();
  }
  // Open, flag read, flag write, length write, twelve characters, close.
  ASSERT_EQ(passing.size(), 17u);
  const size_t firstCharacter = 4;
  const size_t close = 16;

  for (size_t failing = 0; failing < passing.size(); ++failing) {
    for (int16_t status : {int16_t{-1}, int16_t{6}}) {
      SCOPED_TRACE("call " + std::to_string(failing + 1) + " (" + passing[failing] +
                   ") fails with " + std::to_string(status));
      StationBench bench;
      bench.Start();
      // The operator's attempt to reach "Test" lands on "SetUp".
      bench.Form().SelectTab(1);
      ASSERT_EQ(bench.Form().Controls().SSTab1.Tab, 2);
      bench.FailNthCall(static_cast<int64_t>(failing + 1), status);
      ASSERT_TRUE(bench.Form().Command1_Click());
      const std::vector<std::string> trace = bench.TakeTrace();

      ASSERT_GT(trace.size(), failing);
      for (size_t i = 0; i < failing; ++i)
        EXPECT_EQ(trace[i], passing[i]);
      EXPECT_EQ(testing::TraceStatus(trace[failing]), std::to_string(status));
      const bool succeeded = failing == close;  // the close's status is never looked at
      if (!succeeded) {
        ASSERT_EQ(trace.size(), failing + 2) << "only the close follows a failure";
        EXPECT_TRUE(trace.back().starts_with("I2cAccess function=0 device=0x00 register=0x00"))
            << trace.back();
        EXPECT_FALSE(bench.Sim().I2cRunOpen());
      }

      const auto& form = bench.Form();
      if (failing >= firstCharacter && failing < close) {
        EXPECT_EQ(bench.Messages(),
                  (std::vector<RecordedMessage>{{kCharacterFailed, 0, form.Info().title}}));
      } else {
        EXPECT_TRUE(bench.Messages().empty());
      }
      EXPECT_EQ(form.Controls().SSTab1.Tab, succeeded ? 1 : 2);
      EXPECT_EQ(form.State().TargetNotConfigured, !succeeded);

      // The characters before a failed one stay written; nothing after them, no terminator.
      const TargetMemory& memory = bench.Sim().Target();
      const size_t written =
          failing < firstCharacter ? 0 : std::min(failing, close) - firstCharacter;
      for (size_t i = 0; i <= 12; ++i)
        EXPECT_EQ(memory[0x21 + i], i < written ? static_cast<uint8_t>(kId[i]) : 0xFF) << i;
      EXPECT_EQ(memory[0x20], failing > 3 ? 12 : 0xFF);

      // The next start-up finds the target configured only when all of it was written.
      bench.Restart();
      EXPECT_EQ(bench.Form().State().TargetNotConfigured, !succeeded);
    }
  }
}

TEST(SetUpBenchTest, FlagByteKeepsItsOtherBits) {
  for (uint8_t flag : {0x00, 0x80, 0x5A, 0xFE}) {
    SCOPED_TRACE(static_cast<int>(flag));
    StationBench bench;
    bench.Sim().Target()[0x51] = flag;
    bench.Start();
    ASSERT_TRUE(bench.Form().Command1_Click());
    EXPECT_EQ(bench.Sim().Target()[0x51], flag | 0x01);
    EXPECT_FALSE(bench.Form().State().TargetNotConfigured);
  }
}

TEST(SetUpBenchTest, FailedConfigurationKeepsAConfiguredTargetConfigured) {
  StationBench bench(true);
  bench.Start();
  ASSERT_FALSE(bench.Form().State().TargetNotConfigured);
  bench.FailNthCall(1, -1);
  ASSERT_TRUE(bench.Form().Command1_Click());
  EXPECT_FALSE(bench.Form().State().TargetNotConfigured);
  EXPECT_EQ(bench.Form().Controls().SSTab1.Tab, 0);
}

TEST(WriteConfigStringTest, WritesTheByteCodesOfTheTextAndNeverPastIt) {
  using ::testing::Eq;
  using ::testing::Return;
  ::testing::StrictMock<testing::MockTarnelRW> adapter;
  testing::RecordingDialogs dialogs;
  ModUSB modUSB{adapter, dialogs, "halyard-station"};
  {
    ::testing::InSequence order;
    EXPECT_CALL(adapter, I2cAccess(1, 0x50, 0x10, Eq('a'))).WillOnce(Return(0));
    // A character above 0x7F goes out as its byte value, never sign-extended.
    EXPECT_CALL(adapter, I2cAccess(1, 0x50, 0x11, Eq(0xE9))).WillOnce(Return(0));
  }
  EXPECT_EQ(modUSB.WriteConfigString(0x10, 40, 0x50, "a\xE9"), 0);
  EXPECT_EQ(modUSB.WriteConfigString(0x10, 0, 0x50, "ab"), 0);
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace halyard
