// Tests of the Trim tab's routines against a gmock adapter control: the exact calls each
// routine makes, the messages it shows and what it leaves in the window.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "adapter/ModUSB.h"
#include "support/MockTarnelRW.h"
#include "support/TestServices.h"
#include "trim/PanelHarness.h"

namespace halyard::testing {
namespace {

using ::testing::_;
using ::testing::AnyNumber;
using ::testing::DoAll;
using ::testing::ElementsAre;
using ::testing::InSequence;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgReferee;
using ::testing::StrictMock;

constexpr int16_t kRowAddressWord = static_cast<int16_t>(0xB1E0);

// A block read that hands back `bytes` in the array, with `count` as the reported length.
auto BlockReply(std::vector<uint8_t> bytes, int16_t count) {
  return [bytes, count](int16_t, std::vector<uint8_t>& data, int16_t& length, int16_t) {
    std::copy(bytes.begin(), bytes.end(), data.begin());
    length = count;
    return int16_t{0};
  };
}

std::vector<uint8_t> RowOf(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i)
    bytes[i] = static_cast<uint8_t>(0x40 + i);
  return bytes;
}

// ---- WriteWordHex, SendCommandHex ----

TEST(WriteWordHex, PassesCommandWordDeviceInTheControlsOrder) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, kRowAddressWord, 0x17)).WillOnce(Return(0));
  EXPECT_EQ(h.trim.WriteWordHex("9", "17", "B1E0"), 0);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(WriteWordHex, FailureShowsTheCommandInDecimalAndReturnsTheStatus) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, WriteSmbusWord(0x11, 0x000F, 0x17)).WillOnce(Return(6));
  EXPECT_EQ(h.trim.WriteWordHex("11", "17", "F"), 6);
  EXPECT_THAT(h.dialogs.messages,
              ElementsAre(RecordedMessage{"Error writing word 17", 0, "Error"}));
}

TEST(SendCommandHex, FailureShowsTheCommandInDecimal) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, SendSmbusCommand(0x1A, 0x17)).WillOnce(Return(-1));
  EXPECT_EQ(h.trim.SendCommandHex("1A", "17"), -1);
  EXPECT_THAT(h.dialogs.messages,
              ElementsAre(RecordedMessage{"Error sending command 26", 0, "Error"}));
}

// ---- ReadBlockHex, ReadReservedRow, RsvFlashRd ----

TEST(ReadBlockHex, FormatsEachByteAsTwoUpperCaseDigitsAndABlank) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, ReadSmbusBlock(0x0C, _, _, 0x17))
      .WillOnce([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        EXPECT_EQ(data.size(), kBlockReadBufferSize);
        EXPECT_EQ(count, 0);
        data[0] = 0x0A;
        data[1] = 0xFF;
        data[2] = 0x30;
        count = 3;
        return int16_t{0};
      });
  std::string row = "stale";
  EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), 0);
  EXPECT_EQ(row, "0A FF 30 ");
}

TEST(ReadBlockHex, FailedReadLeavesTheRowEmptyWithoutAMessage) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{4}), Return(int16_t{3})));
  std::string row = "stale";
  EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), 3);
  EXPECT_EQ(row, "");
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST(ReadBlockHex, CountBeyondTheReturnedArrayIsAFailedRead) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  // The control shrinks the array but claims a full row: nothing past the array is read.
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        data.assign(10, 0x55);
        count = 32;
        return int16_t{0};
      })
      .WillOnce(BlockReply({}, 130));
  std::string row;
  EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), kStatusBlockCountBeyondArray);
  EXPECT_EQ(row, "");
  EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), kStatusBlockCountBeyondArray);
  EXPECT_EQ(row, "");
}

TEST(ReadBlockHex, WholeArrayAndNegativeCountsAreRead) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _))
      .WillOnce(BlockReply(std::vector<uint8_t>(129, 0x07), 129))
      .WillOnce(BlockReply({1, 2}, -2));
  std::string row;
  EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), 0);
  EXPECT_EQ(row.size(), 129u * 3);
  EXPECT_EQ(row.substr(0, 6), "07 07 ");
  EXPECT_EQ(h.trim.ReadBlockHex("C", "17", row), 0);
  EXPECT_EQ(row, "");
}

TEST(ReadReservedRow, FailedAddressWriteShowsOneMessageAndReadsNothing) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, kRowAddressWord, 0x17)).WillOnce(Return(2));
  std::string row;
  EXPECT_EQ(h.trim.ReadReservedRow("B1E0", row), 2);
  EXPECT_EQ(row, "");
  EXPECT_THAT(h.dialogs.messages, ElementsAre(RecordedMessage{"Error writing word 9", 0, "Error"}));
}

TEST(ReadReservedRow, FailedBlockReadIsReturnedWithoutAMessage) {
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  InSequence order;
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, kRowAddressWord, 0x17)).WillOnce(Return(0));
  EXPECT_CALL(adapter, ReadSmbusBlock(0x0C, _, _, 0x17)).WillOnce(Return(-1));
  std::string row;
  EXPECT_EQ(h.trim.ReadReservedRow("B1E0", row), -1);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

class RsvFlashRdTest : public ::testing::Test {
 protected:
  void ReadReplies(std::vector<uint8_t> bytes) {
    EXPECT_CALL(adapter, WriteSmbusWord(0x09, kRowAddressWord, 0x17)).WillOnce(Return(0));
    const auto n = static_cast<int16_t>(bytes.size());
    EXPECT_CALL(adapter, ReadSmbusBlock(0x0C, _, _, 0x17)).WillOnce(BlockReply(bytes, n));
  }
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h{adapter};
};

TEST_F(RsvFlashRdTest, ShowsTheLastEightBytesOfTheRow) {
  std::vector<uint8_t> row(32, 0xEE);
  const std::array<uint8_t, 8> tail{0x00, 0x01, 0x02, 0x03, 0x04, 0x05, 0x80, 0xFF};
  std::copy(tail.begin(), tail.end(), row.begin() + 24);
  ReadReplies(row);
  h.trim.RsvFlashRd_Click();
  EXPECT_EQ(h.controls.ReservedRow.Text, "00010203040580FF");
}

TEST_F(RsvFlashRdTest, ShortBlockShowsAllItsDigits) {
  ReadReplies({0x0B, 0xC0, 0x01});
  h.trim.RsvFlashRd_Click();
  EXPECT_EQ(h.controls.ReservedRow.Text, "0BC001");
}

TEST_F(RsvFlashRdTest, EmptyBlockClearsTheBox) {
  h.controls.ReservedRow.Text = "1122";
  ReadReplies({});
  h.trim.RsvFlashRd_Click();
  EXPECT_EQ(h.controls.ReservedRow.Text, "");
}

TEST_F(RsvFlashRdTest, FailedAddressWriteClearsTheBoxWithOneMessage) {
  h.controls.ReservedRow.Text = "1122";
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, kRowAddressWord, 0x17)).WillOnce(Return(-1));
  h.trim.RsvFlashRd_Click();
  EXPECT_EQ(h.controls.ReservedRow.Text, "");
  EXPECT_THAT(h.dialogs.messages, ElementsAre(RecordedMessage{"Error writing word 9", 0, "Error"}));
}

// ---- Fine and gross adjustment ----

// Records every word write with the caption shown at that moment.
class AdjustTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ON_CALL(adapter, WriteSmbusWord(_, _, _))
        .WillByDefault([this](int16_t command, int16_t word, int16_t device) {
          char buf[64];
          std::snprintf(buf, sizeof buf, "%02X %04X %02X caption=", command,
                        static_cast<uint16_t>(word), device);
          writes.push_back(buf + h.controls.CurrentTrim.Caption);
          return int16_t{0};
        });
  }
  NiceMock<MockTarnelRW> adapter;
  PanelHarness h{adapter};
  std::vector<std::string> writes;
};

TEST_F(AdjustTest, OneFineStepRunsBothHandlersNestedOnce) {
  h.trim.SetFineAdjustValue(0x81);
  // The nested handler of the other bar writes and shows first, then the outer one.
  EXPECT_THAT(writes, ElementsAre("09 5001 16 caption=80", "0A 0081 16 caption=80",
                                  "09 5001 16 caption=7E", "0A 0081 16 caption=7E"));
  EXPECT_EQ(h.controls.GrossAdjust.Value, 0x81);
  EXPECT_EQ(h.controls.CurrentTrim.Caption, "7E");
}

TEST_F(AdjustTest, OneGrossStepUpMovesBothBarsByEight) {
  h.trim.SetGrossAdjustValue(static_cast<int16_t>(0x80 - h.controls.GrossAdjust.SmallChange));
  EXPECT_THAT(writes, ElementsAre("09 5001 16 caption=80", "0A 0078 16 caption=80",
                                  "09 5001 16 caption=87", "0A 0078 16 caption=87"));
  EXPECT_EQ(h.controls.FineAdjust.Value, 0x78);
  EXPECT_EQ(h.controls.CurrentTrim.Caption, "87");
}

TEST_F(AdjustTest, SettingTheCurrentValueWritesNothing) {
  h.trim.SetFineAdjustValue(0x80);
  h.trim.SetGrossAdjustValue(0x80);
  EXPECT_TRUE(writes.empty());
  EXPECT_EQ(h.controls.CurrentTrim.Caption, "80");
}

TEST_F(AdjustTest, ShownValueIs255MinusTheBarWithoutLeadingZero) {
  const std::map<int16_t, std::string> shown{
      {0, "FF"}, {127, "80"}, {240, "F"}, {245, "A"}, {255, "0"}};
  for (const auto& [value, caption] : shown) {
    h.trim.SetFineAdjustValue(value);
    EXPECT_EQ(h.controls.CurrentTrim.Caption, caption) << value;
    EXPECT_EQ(h.controls.GrossAdjust.Value, value);
  }
}

TEST_F(AdjustTest, FailedWritesStillMoveTheBarsAndCaption) {
  ON_CALL(adapter, WriteSmbusWord(_, _, _)).WillByDefault(Return(5));
  h.trim.SetGrossAdjustValue(0x90);
  EXPECT_EQ(h.controls.FineAdjust.Value, 0x90);
  EXPECT_EQ(h.controls.CurrentTrim.Caption, "6F");
  EXPECT_TRUE(h.dialogs.messages.empty());
}

// ---- Trim start ----

class StartTest : public ::testing::Test {
 protected:
  void SetUp() override {
    h.controls.TrimFilePathAndName.Text = "trim/gx.srec";
    ON_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16))
        .WillByDefault(DoAll(SetArgReferee<1>(int16_t{0x0104}), Return(int16_t{0})));
  }
  NiceMock<MockTarnelRW> adapter;
  PanelHarness h{adapter};
};

TEST_F(StartTest, AcceptedVersionsProgramStartAndSetMidrangeInOrder) {
  for (const int16_t version : {0x0104, 0x0105}) {
    ::testing::Mock::VerifyAndClearExpectations(&adapter);
    ON_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16))
        .WillByDefault(DoAll(SetArgReferee<1>(version), Return(int16_t{0})));
    InSequence order;
    EXPECT_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16));
    EXPECT_CALL(adapter, ProgramSrec(_, _, _))
        .WillOnce([](std::string& path, std::string& second, std::string& third) {
          EXPECT_EQ(path, "trim/gx.srec");
          EXPECT_EQ(second, "");
          EXPECT_EQ(third, "");
          return int16_t{0};
        });
    EXPECT_CALL(adapter, SendSmbusCommand(0x08, 0x17)).WillOnce(Return(0));
    EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).WillOnce(Return(0));
    EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x0080, 0x16)).WillOnce(Return(0));
    EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x700A, 0x16)).WillOnce(Return(0));
    EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x0002, 0x16)).WillOnce(Return(7));
    h.trim.StartTrim_Click();
  }
  // The last write's failure is not reported.
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST_F(StartTest, RejectedVersionsNameBothBytesInDecimal) {
  const std::map<int16_t, std::string> versions{
      {0x0103, "1.3"}, {0x0106, "1.6"}, {0x0004, "0.4"}, {0x0205, "2.5"}, {0x010A, "1.10"}};
  for (const auto& [word, text] : versions) {
    h.dialogs.messages.clear();
    ON_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16))
        .WillByDefault(DoAll(SetArgReferee<1>(word), Return(int16_t{0})));
    EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(0);
    h.trim.StartTrim_Click();
    EXPECT_THAT(
        h.dialogs.messages,
        ElementsAre(RecordedMessage{
            "Detected the wrong platform.  Reported Silicon version: " + text, 0, "Error"}));
  }
}

TEST_F(StartTest, UnansweredVersionReadShowsOnlyTheRomMessageAndLeavesMidrange) {
  h.trim.SetFineAdjustValue(0x30);
  EXPECT_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16)).WillOnce(Return(-1));
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(0);
  h.trim.StartTrim_Click();
  EXPECT_THAT(h.dialogs.messages,
              ElementsAre(RecordedMessage{"Could not determine if Halyard controller is in ROM", 0,
                                          "Error"}));
  EXPECT_EQ(h.controls.FineAdjust.Value, 0x80);
  EXPECT_EQ(h.controls.GrossAdjust.Value, 0x80);
  EXPECT_EQ(h.controls.CurrentTrim.Caption, "80");
}

TEST_F(StartTest, FailedStartCommandGivesTwoMessagesAndSetsNoTrim) {
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).WillOnce(Return(0));
  EXPECT_CALL(adapter, SendSmbusCommand(0x08, 0x17)).WillOnce(Return(4));
  EXPECT_CALL(adapter, WriteSmbusWord(_, _, _)).Times(0);
  h.trim.StartTrim_Click();
  EXPECT_THAT(
      h.dialogs.messages,
      ElementsAre(RecordedMessage{"Error sending command 8", 0, "Error"},
                  RecordedMessage{"Could not start the controller trim program", 0, "Error"}));
}

TEST_F(StartTest, AtMidrangeTheTrimRegisterIsWrittenOnlyOnce) {
  EXPECT_CALL(adapter, WriteSmbusWord(_, _, _)).Times(AnyNumber());
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).Times(1);
  h.trim.StartTrim_Click();
}

TEST_F(StartTest, MovedBarsAreBroughtBackBeforeTheVersionRead) {
  h.trim.SetFineAdjustValue(0x10);
  {
    InSequence order;
    // The handlers of step 1: both write midrange before anything else.
    EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).Times(1);
    EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x0080, 0x16)).Times(1);
    EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).Times(1);
    EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x0080, 0x16)).Times(1);
    EXPECT_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16)).WillOnce(Return(1));
  }
  h.trim.StartTrim_Click();
  EXPECT_EQ(h.controls.CurrentTrim.Caption, "80");
}

// ---- Trim update ----

// A controller whose memory answers commands 0x09/0x0A/0x0B at 0x16 and whose reserved row is
// read with the given bytes; block writes are recorded.
class UpdateTest : public ::testing::Test {
 protected:
  void SetUp() override {
    memory[0x0000] = 0xA5;
    ON_CALL(adapter, WriteSmbusWord(_, _, _))
        .WillByDefault([this](int16_t command, int16_t word, int16_t device) {
          if (device == 0x16 && command == 0x09) address = word;
          if (device == 0x16 && command == 0x0A) memory[address] = word;
          return int16_t{0};
        });
    ON_CALL(adapter, ReadSmbusWord(0x0B, _, 0x16))
        .WillByDefault([this](int16_t, int16_t& word, int16_t) {
          word = memory[address];
          return int16_t{0};
        });
    ON_CALL(adapter, ReadSmbusBlock(0x0C, _, _, 0x17))
        .WillByDefault([this](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
          std::copy(row.begin(), row.end(), data.begin());
          count = static_cast<int16_t>(row.size());
          return int16_t{0};
        });
    ON_CALL(adapter, WriteSmbusBlock(0x10, _, _, 0x17))
        .WillByDefault([this](int16_t, const std::vector<uint8_t>& data, int16_t count, int16_t) {
          written.emplace_back(data.begin(), data.begin() + count);
          return blockStatus;
        });
  }

  std::vector<uint8_t> ExpectedBlock(uint8_t trim) const {
    std::vector<uint8_t> block = row;
    block[30] = trim;
    block.push_back(0x0F);
    return block;
  }

  NiceMock<MockTarnelRW> adapter;
  PanelHarness h{adapter};
  std::map<int16_t, int16_t> memory;
  int16_t address = 0;
  std::vector<uint8_t> row = RowOf(32);
  std::vector<std::vector<uint8_t>> written;
  int16_t blockStatus = 0;
};

TEST_F(UpdateTest, MidrangeCaptionStores0x80AndShowsTheTail) {
  h.trim.Update_Click();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], ExpectedBlock(0x80));
  // Bytes 25 to 31 of the new row, then the 0x0F that followed them.
  EXPECT_EQ(h.controls.ReservedRow.Text, "595A5B5C5D805F0F");
  EXPECT_EQ(memory[0x0000], 0xA5 & ~0x08);
  EXPECT_NEAR(h.pump.WaitedSeconds(), 0.9, 1e-6);
}

TEST_F(UpdateTest, OneStepUpOfFineAdjustStillStores0x80) {
  h.trim.SetFineAdjustValue(0x80 - 1);
  h.trim.Update_Click();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], ExpectedBlock(0x80));
}

TEST_F(UpdateTest, OneStepDownOfFineAdjustStores0x7E) {
  h.trim.SetFineAdjustValue(0x80 + 1);
  h.trim.Update_Click();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], ExpectedBlock(0x7E));
}

TEST_F(UpdateTest, OneDigitCaptionIsStoredWithALeadingZero) {
  h.trim.SetFineAdjustValue(240);
  ASSERT_EQ(h.controls.CurrentTrim.Caption, "F");
  h.trim.Update_Click();
  ASSERT_EQ(written.size(), 1u);
  EXPECT_EQ(written[0], ExpectedBlock(0x0F));
  EXPECT_EQ(h.controls.ReservedRow.Text.substr(10), "0F5F0F");
}

TEST_F(UpdateTest, FailedBlockWriteShowsNoRowButStillClosesAndReprograms) {
  blockStatus = 3;
  h.controls.AutoUpdate.Value = 1;
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(1);
  h.trim.Update_Click();
  EXPECT_EQ(written.size(), 1u);
  EXPECT_EQ(h.controls.ReservedRow.Text, "");
  EXPECT_EQ(memory[0x0000], 0xA5 & ~0x08);
}

TEST_F(UpdateTest, GreyAutoUpdateDoesNotReprogram) {
  h.controls.AutoUpdate.Value = 2;
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(0);
  h.trim.Update_Click();
  EXPECT_EQ(written.size(), 1u);
}

TEST_F(UpdateTest, FailedRowReadSendsNoRowCommandAndKeepsTheOtherBits) {
  memory[0x0000] = 0x7F;
  EXPECT_CALL(adapter, WriteSmbusWord(_, _, _)).Times(AnyNumber());
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, kRowAddressWord, 0x17)).WillOnce(Return(1));
  EXPECT_CALL(adapter, WriteSmbusWord(0x11, _, _)).Times(0);
  EXPECT_CALL(adapter, ReadSmbusBlock(_, _, _, _)).Times(0);
  h.trim.Update_Click();
  EXPECT_EQ(memory[0x0000], 0x77);
  EXPECT_THAT(h.dialogs.messages, ElementsAre(RecordedMessage{"Error writing word 9", 0, "Error"}));
}

TEST_F(UpdateTest, UnreadableLocationIsNeverWrittenAndNothingIsReprogrammed) {
  h.controls.AutoUpdate.Value = 1;
  EXPECT_CALL(adapter, ReadSmbusWord(0x0B, _, 0x16)).WillRepeatedly(Return(-1));
  EXPECT_CALL(adapter, WriteSmbusWord(_, _, _)).Times(AnyNumber());
  EXPECT_CALL(adapter, WriteSmbusWord(0x0A, _, 0x16)).Times(0);
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(0);
  h.trim.Update_Click();
  EXPECT_TRUE(written.empty());
  EXPECT_EQ(memory[0x0000], 0xA5);
}

TEST_F(UpdateTest, ClosingWriteIsTriedTwiceAndAFailureSkipsTheReprogramming) {
  h.controls.AutoUpdate.Value = 1;
  EXPECT_CALL(adapter, WriteSmbusWord(_, _, _)).Times(AnyNumber());
  EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x00A5, 0x16)).Times(2).WillRepeatedly(Return(4));
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(0);
  h.trim.Update_Click();
  EXPECT_EQ(written.size(), 1u);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

}  // namespace
}  // namespace halyard::testing
