// Tests of the SetUp tab: writing the test target's configuration block, call by call,
// against a gmock adapter control.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "adapter/ModUSB.h"
#include "adapter/Utils.h"
#include "app/Controls.h"
#include "app/FormContext.h"
#include "bustest/StationBench.h"
#include "programming/SetUpPanel.h"
#include "support/MockTarnelRW.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Eq;
using testing::FakeEventPump;
using ::testing::InSequence;
using testing::MockTarnelRW;
using testing::RecordedMessage;
using testing::RecordingDialogs;
using ::testing::Return;
using ::testing::SetArgReferee;
using ::testing::StrictMock;

constexpr const char* kTitle = "halyard-station";
constexpr const char* kId = "Halyard_Test";

class SetUpPanelTest : public ::testing::Test {
 protected:
  SetUpPanelTest() {
    state.TargetIdString = kId;
    state.TargetNotConfigured = true;
    controls.SSTab1.Tab = 2;
  }

  // Calls 1 to 4 of a configuration, succeeding; the flag byte reads as `flag`.
  void ExpectBlockHeader(int16_t flag) {
    EXPECT_CALL(adapter, I2cAccess(0, 1, 0, Eq(0))).WillOnce(Return(0));
    EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x51, _))
        .WillOnce(DoAll(SetArgReferee<3>(flag), Return(0)));
    EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x51, Eq(static_cast<int16_t>(flag | 1))))
        .WillOnce(Return(0));
    EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x20, Eq(12))).WillOnce(Return(0));
  }

  void ExpectCharacters(int first, int last) {
    for (int i = first; i < last; ++i) {
      EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x21 + i, Eq(static_cast<int16_t>(kId[i]))))
          .WillOnce(Return(0));
    }
  }

  StrictMock<MockTarnelRW> adapter;
  RecordingDialogs dialogs;
  FakeEventPump pump;
  FormControls controls;
  WindowState state;
  ModUSB modUSB{adapter, dialogs, kTitle};
  Utils utils{pump};
  FormContext ctx{controls, state, adapter, modUSB, utils, dialogs, kTitle};
  SetUpPanel panel{ctx};
};

TEST_F(SetUpPanelTest, BlankTargetGetsFlagLengthAndTextThenTheTestTab) {
  {
    InSequence order;
    ExpectBlockHeader(0xFF);  // a blank memory reads 0xFF
    ExpectCharacters(0, 12);
    // The close is handed the variable as the last write left it: the length.
    EXPECT_CALL(adapter, I2cAccess(0, 0, 0, Eq(12))).WillOnce(Return(0));
  }
  panel.Command1_Click();
  EXPECT_EQ(controls.SSTab1.Tab, 1);
  EXPECT_FALSE(state.TargetNotConfigured);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SetUpPanelTest, FlagByteKeepsItsOtherBits) {
  for (int16_t flag : {int16_t{0x00}, int16_t{0x80}, int16_t{0x5A}, int16_t{0x01}}) {
    InSequence order;
    ExpectBlockHeader(flag);
    ExpectCharacters(0, 12);
    EXPECT_CALL(adapter, I2cAccess(0, 0, 0, _)).WillOnce(Return(0));
    panel.Command1_Click();
    ::testing::Mock::VerifyAndClearExpectations(&adapter);
  }
}

TEST_F(SetUpPanelTest, EachEarlyFailureGoesStraightToTheCloseWithoutAMessage) {
  // Steps 1 to 4 fail in turn, once with -1 and once with a positive status.
  for (int failing = 0; failing < 4; ++failing) {
    for (int16_t status : {int16_t{-1}, int16_t{6}}) {
      SCOPED_TRACE("call " + std::to_string(failing + 1) + " status " + std::to_string(status));
      InSequence order;
      EXPECT_CALL(adapter, I2cAccess(0, 1, 0, _)).WillOnce(Return(failing == 0 ? status : 0));
      if (failing >= 1) {
        EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x51, _))
            .WillOnce(DoAll(SetArgReferee<3>(0x10), Return(failing == 1 ? status : 0)));
      }
      if (failing >= 2) {
        EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x51, Eq(0x11)))
            .WillOnce(Return(failing == 2 ? status : 0));
      }
      if (failing >= 3) {
        EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x20, Eq(12))).WillOnce(Return(status));
      }
      EXPECT_CALL(adapter, I2cAccess(0, 0, 0, _)).WillOnce(Return(0));
      panel.Command1_Click();
      ::testing::Mock::VerifyAndClearExpectations(&adapter);
      EXPECT_EQ(controls.SSTab1.Tab, 2);
      EXPECT_TRUE(state.TargetNotConfigured);
      EXPECT_TRUE(dialogs.messages.empty());
    }
  }
}

TEST_F(SetUpPanelTest, ThirdCharacterFailingShowsOneMessageAndKeepsTheTab) {
  {
    InSequence order;
    ExpectBlockHeader(0xFF);
    ExpectCharacters(0, 2);
    EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x23, Eq('l'))).WillOnce(Return(4));
    EXPECT_CALL(adapter, I2cAccess(0, 0, 0, _)).WillOnce(Return(0));
  }
  panel.Command1_Click();
  EXPECT_EQ(dialogs.messages, (std::vector<RecordedMessage>{
                                  {"Could not write configuration string to device", 0, kTitle}}));
  EXPECT_EQ(controls.SSTab1.Tab, 2);
  EXPECT_TRUE(state.TargetNotConfigured);
}

TEST_F(SetUpPanelTest, FailedCloseDoesNotUndoASuccessfulConfiguration) {
  {
    InSequence order;
    ExpectBlockHeader(0xFF);
    ExpectCharacters(0, 12);
    EXPECT_CALL(adapter, I2cAccess(0, 0, 0, _)).WillOnce(Return(-1));
  }
  panel.Command1_Click();
  EXPECT_EQ(controls.SSTab1.Tab, 1);
  EXPECT_FALSE(state.TargetNotConfigured);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SetUpPanelTest, FailedConfigurationLeavesAConfiguredTargetMarkedConfigured) {
  state.TargetNotConfigured = false;
  controls.SSTab1.Tab = 0;
  {
    InSequence order;
    EXPECT_CALL(adapter, I2cAccess(0, 1, 0, _)).WillOnce(Return(-1));
    EXPECT_CALL(adapter, I2cAccess(0, 0, 0, _)).WillOnce(Return(0));
  }
  panel.Command1_Click();
  EXPECT_FALSE(state.TargetNotConfigured);
  EXPECT_EQ(controls.SSTab1.Tab, 0);
}

// ---- WriteConfigString ---------------------------------------------------------------------

TEST(WriteConfigStringTest, NeverReadsPastTheText) {
  StrictMock<MockTarnelRW> adapter;
  RecordingDialogs dialogs;
  ModUSB modUSB{adapter, dialogs, kTitle};
  {
    InSequence order;
    EXPECT_CALL(adapter, I2cAccess(1, 0x50, 0x10, Eq('a'))).WillOnce(Return(0));
    EXPECT_CALL(adapter, I2cAccess(1, 0x50, 0x11, Eq('b'))).WillOnce(Return(0));
  }
  EXPECT_EQ(modUSB.WriteConfigString(0x10, 40, 0x50, "ab"), 0);
  EXPECT_EQ(modUSB.WriteConfigString(0x10, 0, 0x50, "ab"), 0);
  EXPECT_TRUE(dialogs.messages.empty());
}

TEST(WriteConfigStringTest, WritesCharacterCodesAsBytesAndReturnsTheFailingStatus) {
  StrictMock<MockTarnelRW> adapter;
  RecordingDialogs dialogs;
  ModUSB modUSB{adapter, dialogs, "other title"};
  {
    InSequence order;
    // A character above 0x7F goes out as its byte value, never sign-extended.
    EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x21, Eq(0xE9))).WillOnce(Return(0));
    EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x22, Eq('x'))).WillOnce(Return(-7));
  }
  EXPECT_EQ(modUSB.WriteConfigString(0x21, 3, 0xA0, "\xE9xy"), -7);
  EXPECT_EQ(dialogs.messages,
            (std::vector<RecordedMessage>{
                {"Could not write configuration string to device", 0, "other title"}}));
}

// ---- On the simulated bench ---------------------------------------------------------------

// Start-up on a blank target; the operator's attempt to reach "Test" lands on "SetUp".
void StartOnSetUp(testing::StationBench& bench) {
  bench.Start();
  ASSERT_TRUE(bench.Form().State().TargetNotConfigured);
  bench.Form().SelectTab(1);
  ASSERT_EQ(bench.Form().Controls().SSTab1.Tab, 2);
}

TEST(SetUpBenchTest, ConfiguredBlankTargetPassesTheNextStartUpCheck) {
  testing::StationBench bench;
  StartOnSetUp(bench);
  ASSERT_TRUE(bench.Form().Command1_Click());
  EXPECT_EQ(bench.Form().Controls().SSTab1.Tab, 1);
  EXPECT_FALSE(bench.Form().State().TargetNotConfigured);
  const TargetMemory& memory = bench.Sim().Target();
  EXPECT_EQ(memory[0x51], 0xFF);  // bit 0 was already set in the blank byte; nothing cleared
  EXPECT_EQ(memory[0x20], 12);
  EXPECT_EQ(std::string(memory.begin() + 0x21, memory.begin() + 0x21 + 12), kId);
  EXPECT_EQ(memory[0x2D], 0xFF);  // no terminator
  EXPECT_FALSE(bench.Sim().I2cRunOpen());

  bench.Restart();
  EXPECT_FALSE(bench.Form().State().TargetNotConfigured);
}

TEST(SetUpBenchTest, ConfigurationSurvivesTheProgramThroughTheStateFile) {
  const auto stateFile = std::filesystem::path(::testing::TempDir()) /
                         ("halyard-setup-state-" + std::to_string(::getpid()) + ".json");
  std::filesystem::remove(stateFile);
  const std::string benchJson = "{\"state_file\": \"" + stateFile.string() + "\"}";
  std::string error;
  {
    auto sim = MakeSimulatedAdapterFromJson(benchJson, error);
    ASSERT_NE(sim, nullptr) << error;
    testing::StationBench bench(std::move(sim), false);
    StartOnSetUp(bench);
    bench.Form().Command1_Click();
  }  // shutdown closes the adapter, which saves the target
  auto sim = MakeSimulatedAdapterFromJson(benchJson, error);
  ASSERT_NE(sim, nullptr) << error;
  testing::StationBench next(std::move(sim), false);
  next.Start();
  EXPECT_FALSE(next.Form().State().TargetNotConfigured);
  next.Form().SelectTab(1);
  EXPECT_EQ(next.Form().Controls().SSTab1.Tab, 1);
  std::filesystem::remove(stateFile);
}

TEST(SetUpBenchTest, FailingEachCallInTurnEndsWithTheCloseAndTheRightMessage) {
  std::vector<std::string> passing;
  {
    testing::StationBench bench;
    StartOnSetUp(bench);
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
      testing::StationBench bench;
      StartOnSetUp(bench);
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
      }

      const auto& form = bench.Form();
      if (failing >= firstCharacter && failing < close) {
        EXPECT_EQ(bench.Messages(),
                  (std::vector<RecordedMessage>{
                      {"Could not write configuration string to device", 0, form.Info().title}}));
      } else {
        EXPECT_TRUE(bench.Messages().empty());
      }
      EXPECT_EQ(form.Controls().SSTab1.Tab, succeeded ? 1 : 2);
      EXPECT_EQ(form.State().TargetNotConfigured, !succeeded);

      // The characters before a failed one stay written; nothing after it is.
      const TargetMemory& memory = bench.Sim().Target();
      const size_t written =
          failing < firstCharacter ? 0 : std::min(failing, close) - firstCharacter;
      for (size_t i = 0; i < 12; ++i) {
        EXPECT_EQ(memory[0x21 + i], i < written ? static_cast<uint8_t>(kId[i]) : 0xFF) << i;
      }
      EXPECT_EQ(memory[0x20], failing > 3 ? 12 : 0xFF);

      // The next start-up finds the target configured only when all of it was written.
      bench.Restart();
      EXPECT_EQ(bench.Form().State().TargetNotConfigured, !succeeded);
    }
  }
}

}  // namespace
}  // namespace halyard
