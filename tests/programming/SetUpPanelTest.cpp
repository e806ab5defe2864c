// Tests of the SetUp tab: writing the test target's configuration block, call by call,
// against a gmock adapter control.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "adapter/ModUSB.h"
#include "adapter/Utils.h"
#include "app/Controls.h"
#include "app/FormContext.h"
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

}  // namespace
}  // namespace halyard
