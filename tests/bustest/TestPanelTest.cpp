// Tests of the "Test" tab: the runner, the result display and the four bus tests, against a
// gmock adapter control that answers as a configured test target unless a test says otherwise.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "adapter/ModUSB.h"
#include "adapter/TracingAdapter.h"
#include "adapter/Utils.h"
#include "app/Controls.h"
#include "app/FormContext.h"
#include "bustest/TestPanel.h"
#include "support/MockTarnelRW.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::ElementsAre;
using testing::FakeEventPump;
using ::testing::Invoke;
using testing::MockTarnelRW;
using testing::RecordingDialogs;
using ::testing::Return;
using ::testing::SetArgReferee;
using ::testing::StrictMock;

constexpr const char* kId = "Halyard_Test";

struct Look {
  std::string caption;
  uint32_t fore;
  uint32_t back;
};
const Look kNeutral{"", kColorNeutral, kColorNeutral};
const Look kPass{"Pass", kColorPassFore, kColorPassBack};
const Look kFail{"Fail", kColorFailFore, kColorFailBack};
const Look kTrue{"True", kColorPassFore, kColorPassBack};
const Look kFalse{"False", kColorFailFore, kColorFailBack};

void ExpectLook(const LabelState& label, const Look& look, const char* which) {
  EXPECT_EQ(label.Caption, look.caption) << which;
  EXPECT_EQ(label.ForeColor, look.fore) << which;
  EXPECT_EQ(label.BackColor, look.back) << which;
}

class TestPanelTest : public ::testing::Test {
 protected:
  TestPanelTest() {
    state.TargetIdString = kId;
    state.ExpectedVersion = "123";
    // The target's I2C memory as a configuration leaves it.
    memory.fill(0xFF);
    memory[0x51] = 0x01;
    memory[0x20] = 12;
    for (size_t i = 0; i < 12; ++i)
      memory[0x21 + i] = static_cast<uint8_t>(kId[i]);
    AnswerAsConfiguredTarget();
    panel.ResetTestStatus();
  }

  // Every operation answers as a good adapter with a configured target; a test that wants a
  // fault adds a newer expectation, which gmock tries first.
  void AnswerAsConfiguredTarget() {
    EXPECT_CALL(adapter, GetAdapterVersion(_, _))
        .WillRepeatedly(DoAll(SetArgReferee<0>(0x3132), SetArgReferee<1>(0x33), Return(0)));
    EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
        .WillRepeatedly(Invoke([this](int16_t, std::vector<uint8_t>& data, int16_t& count,
                                      int16_t) { return AnswerBlock(data, count, kId); }));
    EXPECT_CALL(adapter, I2cAccess(_, _, _, _))
        .WillRepeatedly(Invoke([this](int32_t function, int16_t, int16_t reg, int16_t& value) {
          if (function == 2) value = memory[static_cast<uint8_t>(reg)];
          return int16_t{0};
        }));
    EXPECT_CALL(adapter, ReadSwbWord(_, _, _))
        .WillRepeatedly(Invoke([this](int32_t, int16_t reg, int16_t& value) {
          const size_t at = 0x20 + 2 * static_cast<size_t>(reg - 0x20);
          value = static_cast<int16_t>(memory[at + 1] << 8 | memory[at]);
          return int16_t{0};
        }));
  }

  static int16_t AnswerBlock(std::vector<uint8_t>& data, int16_t& count, const std::string& text) {
    for (size_t i = 0; i < text.size() && i < data.size(); ++i) {
      data[i] = static_cast<uint8_t>(text[i]);
    }
    count = static_cast<int16_t>(text.size());
    return 0;
  }

  std::vector<std::string> Trace() { return tracer.TakeLines(); }

  std::array<uint8_t, 256> memory{};
  StrictMock<MockTarnelRW> adapter;
  TracingAdapter tracer{adapter};
  RecordingDialogs dialogs;
  FakeEventPump pump;
  FormControls controls;
  WindowState state;
  ModUSB modUSB{tracer, dialogs, "halyard-station"};
  Utils utils{pump};
  FormContext ctx{controls, state, tracer, modUSB, utils, dialogs, "halyard-station"};
  TestPanel panel{ctx};
};

// ---- ResetTestStatus -----------------------------------------------------------------------

TEST_F(TestPanelTest, ResetPaintsEveryStatusLabelNeutralAndClearsTheVerdicts) {
  state.TestPassed.fill(true);
  for (auto& label : controls.Label6)
    label = {"Pass", kColorPassFore, kColorPassBack};
  panel.ResetTestStatus();
  for (const auto& label : controls.Label6)
    ExpectLook(label, kNeutral, "Label6");
  EXPECT_THAT(state.TestPassed, ElementsAre(false, false, false, false, false));
  EXPECT_TRUE(Trace().empty());
}

// ---- Version test --------------------------------------------------------------------------

TEST_F(TestPanelTest, VersionMatchingTheConfiguredTextPassesAndBlanksTheDetail) {
  EXPECT_TRUE(panel.TestVersion());
  ExpectLook(controls.Label6[0], kPass, "Label6(0)");
  EXPECT_EQ(controls.Label5[0].Caption, "");
  EXPECT_THAT(Trace(), ElementsAre("GetAdapterVersion -> 0 first=0x3132 second=0x0033"));
}

TEST_F(TestPanelTest, VersionFailsWhenNothingWasConfigured) {
  state.ExpectedVersion = "";
  EXPECT_FALSE(panel.TestVersion());
  ExpectLook(controls.Label6[0], kFail, "Label6(0)");
}

TEST_F(TestPanelTest, VersionComparisonIsExactAndCaseSensitive) {
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(DoAll(SetArgReferee<0>(0x6142), SetArgReferee<1>(0x63), Return(0)));  // "aBc"
  state.ExpectedVersion = "abc";
  EXPECT_FALSE(panel.TestVersion());
  ExpectLook(controls.Label6[0], kFail, "Label6(0)");
}

TEST_F(TestPanelTest, VersionFailsOnAFailedReadWhateverTheValues) {
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(DoAll(SetArgReferee<0>(0x3132), SetArgReferee<1>(0x33), Return(4)));
  controls.Label5[0].Caption = "old";
  EXPECT_FALSE(panel.TestVersion());
  ExpectLook(controls.Label6[0], kFail, "Label6(0)");
  EXPECT_EQ(controls.Label5[0].Caption, "");  // never the status
}

TEST_F(TestPanelTest, VersionWithAThirdValueBeyondOneByteIsAMismatch) {
  // Cut to its low byte, 0x0133 would read as "3" and match.
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(DoAll(SetArgReferee<0>(0x3132), SetArgReferee<1>(0x0133), Return(0)));
  EXPECT_FALSE(panel.TestVersion());
  ExpectLook(controls.Label6[0], kFail, "Label6(0)");

  // -1 is 0xFFFF; cut to a byte it would match a configured character 0xFF.
  state.ExpectedVersion = std::string("12\xFF");
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(DoAll(SetArgReferee<0>(0x3132), SetArgReferee<1>(-1), Return(0)));
  EXPECT_FALSE(panel.TestVersion());
  // The highest character code is still a character.
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(DoAll(SetArgReferee<0>(0x3132), SetArgReferee<1>(0xFF), Return(0)));
  EXPECT_TRUE(panel.TestVersion());
}

TEST_F(TestPanelTest, VersionReadsHighByteFirst) {
  // 0xB132: a high byte with bit 7 set makes the word negative.
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(
          DoAll(SetArgReferee<0>(static_cast<int16_t>(0xB132)), SetArgReferee<1>(0x33), Return(0)));
  state.ExpectedVersion = std::string("\xB1") + "23";
  EXPECT_TRUE(panel.TestVersion());
}

// ---- SMBus test ----------------------------------------------------------------------------

TEST_F(TestPanelTest, SmbusReadsBlock20AtTheControllerAddressIntoAFreshArray) {
  EXPECT_CALL(adapter, ReadSmbusBlock(0x20, _, _, 0x16))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        EXPECT_EQ(data, std::vector<uint8_t>(129, 0));
        EXPECT_EQ(count, 0);
        return AnswerBlock(data, count, kId);
      }));
  EXPECT_TRUE(panel.TestSmbus());
  ExpectLook(controls.Label6[1], kPass, "Label6(1)");
  EXPECT_EQ(controls.Label5[1].Caption, "0");
}

TEST_F(TestPanelTest, SmbusTextMustEqualTheIdentificationExactly) {
  const std::vector<std::string> wrong = {std::string(kId) + '\0', "halyard_test", "Halyard_Tes",
                                          ""};
  for (const auto& text : wrong) {
    EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
        .WillOnce(Invoke([&text](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
          return AnswerBlock(data, count, text);
        }));
    EXPECT_FALSE(panel.TestSmbus()) << text;
    ExpectLook(controls.Label6[1], kFail, "Label6(1)");
    EXPECT_EQ(controls.Label5[1].Caption, "0");
  }
}

TEST_F(TestPanelTest, SmbusFailedReadShowsItsStatusWithSign) {
  for (int16_t status : {int16_t{7}, int16_t{-1}}) {
    EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
        .WillOnce(Invoke([status](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
          AnswerBlock(data, count, kId);  // what the control left behind must not count
          return status;
        }));
    EXPECT_FALSE(panel.TestSmbus());
    ExpectLook(controls.Label6[1], kFail, "Label6(1)");
    EXPECT_EQ(controls.Label5[1].Caption, std::to_string(status));
  }
}

TEST_F(TestPanelTest, SmbusCountBeyondTheArrayIsAFailedRead) {
  // Reported past the 129 elements handed over.
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        AnswerBlock(data, count, kId);
        count = 130;
        return int16_t{0};
      }));
  EXPECT_FALSE(panel.TestSmbus());
  ExpectLook(controls.Label6[1], kFail, "Label6(1)");
  EXPECT_EQ(controls.Label5[1].Caption, std::to_string(kStatusBlockCountBeyondArray));

  // The control replaced the array by a shorter one than the count it reports.
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        data.assign({'H', 'a', 'l'});
        count = 12;
        return int16_t{0};
      }));
  EXPECT_FALSE(panel.TestSmbus());
  EXPECT_EQ(controls.Label5[1].Caption, std::to_string(kStatusBlockCountBeyondArray));

  // A count that fills the array exactly is still read, and compared.
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        data.assign(kId, kId + 12);
        count = 12;
        return int16_t{0};
      }));
  EXPECT_TRUE(panel.TestSmbus());
  EXPECT_EQ(controls.Label5[1].Caption, "0");
}

// ---- I2C test ------------------------------------------------------------------------------

TEST_F(TestPanelTest, I2cReadsTheTextBetweenOpeningAndClosingTheRun) {
  EXPECT_TRUE(panel.TestI2c());
  ExpectLook(controls.Label6[2], kPass, "Label6(2)");
  EXPECT_EQ(controls.Label5[2].Caption, "0");
  const auto lines = Trace();
  ASSERT_EQ(lines.size(), 14u);
  EXPECT_EQ(lines.front(),
            "I2cAccess function=0 device=0x01 register=0x00 value=0x0000 -> 0 value=0x0000");
  EXPECT_EQ(lines[1],
            "I2cAccess function=2 device=0xA0 register=0x21 value=0x0000 -> 0 value=0x0048");
  EXPECT_EQ(lines[12],
            "I2cAccess function=2 device=0xA0 register=0x2C value=0x0073 -> 0 value=0x0074");
  // The closing call is handed the same variable as the opening one, which the reads never touch.
  EXPECT_EQ(lines.back(),
            "I2cAccess function=0 device=0x00 register=0x00 value=0x0000 -> 0 value=0x0000");
}

TEST_F(TestPanelTest, I2cOpeningFailureReadsNothingKeepsTheDetailAndStillCloses) {
  ::testing::InSequence order;
  EXPECT_CALL(adapter, I2cAccess(0, 1, 0, _)).WillOnce(DoAll(SetArgReferee<3>(0x0042), Return(-1)));
  // The closing call gets the variable as the opening call left it.
  EXPECT_CALL(adapter, I2cAccess(0, 0, 0, ::testing::Eq(0x0042))).WillOnce(Return(5));
  EXPECT_FALSE(panel.TestI2c());
  ExpectLook(controls.Label6[2], kFail, "Label6(2)");
  EXPECT_EQ(controls.Label5[2].Caption, "Label5");
}

TEST_F(TestPanelTest, I2cReadFailingPartWayShowsItsStatus) {
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x23, _)).WillOnce(Return(9));
  EXPECT_FALSE(panel.TestI2c());
  ExpectLook(controls.Label6[2], kFail, "Label6(2)");
  EXPECT_EQ(controls.Label5[2].Caption, "9");
  const auto lines = Trace();
  ASSERT_EQ(lines.size(), 5u);  // open, three reads, close
  EXPECT_THAT(lines.back(), ::testing::StartsWith("I2cAccess function=0 device=0x00"));
}

TEST_F(TestPanelTest, I2cOtherTextShowsZeroAndFails) {
  memory[0x21] = 'h';
  EXPECT_FALSE(panel.TestI2c());
  ExpectLook(controls.Label6[2], kFail, "Label6(2)");
  EXPECT_EQ(controls.Label5[2].Caption, "0");
}

// ---- SWB test ------------------------------------------------------------------------------

TEST_F(TestPanelTest, SwbReadsSevenWordsForTwelveCharacters) {
  EXPECT_TRUE(panel.TestSwb());
  ExpectLook(controls.Label6[3], kPass, "Label6(3)");
  EXPECT_EQ(controls.Label5[3].Caption, "0");
  const auto lines = Trace();
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines.front(), "ReadSwbWord kind=2 register=0x20 -> 0 value=0x480C");
  EXPECT_EQ(lines.back(), "ReadSwbWord kind=2 register=0x26 -> 0 value=0xFF74");
}

TEST_F(TestPanelTest, SwbStopsAtTheThirdFailingWord) {
  ::testing::InSequence order;
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x20, _)).WillOnce(Return(0));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x21, _)).WillOnce(Return(0));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x22, _)).WillOnce(Return(-3));
  EXPECT_FALSE(panel.TestSwb());
  ExpectLook(controls.Label6[3], kFail, "Label6(3)");
  EXPECT_EQ(controls.Label5[3].Caption, "-3");
}

TEST_F(TestPanelTest, SwbWordCountFollowsTheIdentificationLength) {
  state.TargetIdString = "Halyard_Tes";  // 11 characters: 11 / 2 + 1 words
  EXPECT_TRUE(panel.TestSwb());
  EXPECT_EQ(Trace().size(), 6u);
}

TEST_F(TestPanelTest, SwbPassesOnGoodReadsWhateverTheWordsHold) {
  // The SWB test proves the bus; the text is checked by the SMBus and I2C tests.
  memory.fill(0xFF);
  EXPECT_TRUE(panel.TestSwb());
}

// ---- Single test buttons -------------------------------------------------------------------

TEST_F(TestPanelTest, SingleTestShowsItsVerdictAsTrueOrFalseOnItsColours) {
  for (int16_t index = 0; index < 4; ++index) {
    EXPECT_TRUE(panel.TestSwb());  // a leftover look that each button must replace
    panel.Command2_Click(index);
    ExpectLook(controls.Label6[static_cast<size_t>(index)], kTrue, "passing button");
  }
  EXPECT_CALL(adapter, ReadSwbWord(_, _, _)).WillOnce(Return(1));
  panel.Command2_Click(3);
  ExpectLook(controls.Label6[3], kFalse, "Label6(3)");
  EXPECT_EQ(pump.pumps, 0);  // single tests do not wait
}

TEST_F(TestPanelTest, SingleTestAfterRunAllChangesOnlyItsOwnLabels) {
  panel.Command2_Click(4);
  const FormControls afterRun = controls;
  const WindowState stateAfterRun = state;
  ASSERT_EQ(controls.Label3.Caption, "1");

  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _)).WillOnce(Return(3));
  panel.Command2_Click(1);
  ExpectLook(controls.Label6[1], kFalse, "Label6(1)");
  EXPECT_EQ(controls.Label5[1].Caption, "3");
  for (size_t i : {0u, 2u, 3u, 4u}) {
    EXPECT_EQ(controls.Label6[i].Caption, afterRun.Label6[i].Caption) << i;
    EXPECT_EQ(controls.Label6[i].BackColor, afterRun.Label6[i].BackColor) << i;
  }
  for (size_t i : {0u, 2u, 3u})
    EXPECT_EQ(controls.Label5[i].Caption, afterRun.Label5[i].Caption);
  EXPECT_EQ(controls.Label3.Caption, "1");
  EXPECT_EQ(state.TestPassed, stateAfterRun.TestPassed);
}

TEST_F(TestPanelTest, UnknownButtonIndexDoesNothing) {
  const FormControls before = controls;
  for (int16_t index : {int16_t{-1}, int16_t{5}, int16_t{32767}})
    panel.Command2_Click(index);
  EXPECT_TRUE(Trace().empty());
  EXPECT_EQ(pump.pumps, 0);
  EXPECT_EQ(controls.Label3.Caption, before.Label3.Caption);
  for (size_t i = 0; i < 5; ++i)
    EXPECT_EQ(controls.Label6[i].Caption, before.Label6[i].Caption);
}

// ---- Run All -------------------------------------------------------------------------------

TEST_F(TestPanelTest, RunAllPassingShowsTrueThenPassAndCountsTheRun) {
  state.TestPassed = {true, false, true, false, true};  // leftovers of nothing: reset first
  panel.Command2_Click(4);
  ExpectLook(controls.Label6[0], kTrue, "Label6(0)");
  ExpectLook(controls.Label6[1], kTrue, "Label6(1)");
  ExpectLook(controls.Label6[2], kTrue, "Label6(2)");
  ExpectLook(controls.Label6[3], kPass, "Label6(3)");
  ExpectLook(controls.Label6[4], kPass, "Label6(4)");
  EXPECT_EQ(controls.Label3.Caption, "1");
  EXPECT_THAT(state.TestPassed, ElementsAre(true, true, true, true, true));
}

TEST_F(TestPanelTest, RunAllPausesBeforeEachTest) {
  std::vector<double> waitedAtTest;
  auto note = [&] { waitedAtTest.push_back(pump.WaitedSeconds()); };
  EXPECT_CALL(adapter, GetAdapterVersion(_, _))
      .WillOnce(DoAll(Invoke([&](int16_t&, int16_t&) { note(); }), SetArgReferee<0>(0x3132),
                      SetArgReferee<1>(0x33), Return(0)));
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce(Invoke([&](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        note();
        return AnswerBlock(data, count, kId);
      }));
  EXPECT_CALL(adapter, I2cAccess(0, 1, 0, _))
      .WillOnce(Invoke([&](int32_t, int16_t, int16_t, int16_t&) {
        note();
        return int16_t{0};
      }));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x20, _)).WillOnce(Invoke([&](int32_t, int16_t, int16_t& v) {
    note();
    v = 0x480C;
    return int16_t{0};
  }));
  panel.Command2_Click(4);
  ASSERT_EQ(waitedAtTest.size(), 4u);
  for (size_t i = 0; i < 4; ++i)
    EXPECT_NEAR(waitedAtTest[i], 0.2 * (i + 1), 1e-6) << i;
  EXPECT_NEAR(pump.WaitedSeconds(), 0.8, 1e-6);  // no pause after the last test
}

TEST_F(TestPanelTest, RunAllStopsAfterAFailedVersionTest) {
  state.ExpectedVersion = "124";
  panel.Command2_Click(4);
  ExpectLook(controls.Label6[0], kFalse, "Label6(0)");
  for (size_t i = 1; i < 4; ++i)
    ExpectLook(controls.Label6[i], kNeutral, "skipped");
  ExpectLook(controls.Label6[4], kFail, "Label6(4)");
  EXPECT_EQ(controls.Label3.Caption, "0");
  EXPECT_NEAR(pump.WaitedSeconds(), 0.2, 1e-6);
  EXPECT_EQ(Trace().size(), 1u);
  EXPECT_THAT(state.TestPassed, ElementsAre(false, false, false, false, false));
}

TEST_F(TestPanelTest, RunAllStopsAtTheFirstFailureInTheMiddle) {
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x21, _)).WillOnce(Return(2));
  panel.Command2_Click(4);
  ExpectLook(controls.Label6[0], kTrue, "Label6(0)");
  ExpectLook(controls.Label6[1], kTrue, "Label6(1)");
  ExpectLook(controls.Label6[2], kFalse, "Label6(2)");
  ExpectLook(controls.Label6[3], kNeutral, "Label6(3)");
  ExpectLook(controls.Label6[4], kFail, "Label6(4)");
  EXPECT_THAT(state.TestPassed, ElementsAre(true, true, false, false, false));
  for (const auto& line : Trace())
    EXPECT_THAT(line, ::testing::Not(::testing::HasSubstr("Swb")));
  EXPECT_NEAR(pump.WaitedSeconds(), 0.6, 1e-6);
}

TEST_F(TestPanelTest, RunAllWithTheSwbTestFailingLastLeavesPassFailCaptions) {
  EXPECT_CALL(adapter, ReadSwbWord(_, 0x26, _)).WillOnce(Return(1));
  panel.Command2_Click(4);
  ExpectLook(controls.Label6[2], kTrue, "Label6(2)");
  ExpectLook(controls.Label6[3], kFail, "Label6(3)");
  ExpectLook(controls.Label6[4], kFail, "Label6(4)");
  EXPECT_EQ(controls.Label3.Caption, "0");
  EXPECT_THAT(state.TestPassed, ElementsAre(true, true, true, false, false));
}

TEST_F(TestPanelTest, CounterCountsOnlyFullyPassedRuns) {
  panel.Command2_Click(4);
  panel.Command2_Click(4);
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _)).WillOnce(Return(1)).RetiresOnSaturation();
  panel.Command2_Click(4);
  panel.Command2_Click(4);
  EXPECT_EQ(controls.Label3.Caption, "3");
  // The caption is the count: carrying into a new digit, and a reset leaves it alone.
  controls.Label3.Caption = "9";
  panel.ResetTestStatus();
  panel.Command2_Click(4);
  EXPECT_EQ(controls.Label3.Caption, "10");
}

}  // namespace
}  // namespace halyard
