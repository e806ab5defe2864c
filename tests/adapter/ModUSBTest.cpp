// The bus transaction routines, pinned down call by call against a mock adapter control.
#include "adapter/ModUSB.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/MockTarnelRW.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::InSequence;
using ::testing::Invoke;
using testing::MockTarnelRW;
using testing::RecordingDialogs;
using ::testing::Return;
using ::testing::SetArgReferee;
using ::testing::StrictMock;

class ModUSBTest : public ::testing::Test {
 protected:
  StrictMock<MockTarnelRW> adapter;
  RecordingDialogs dialogs;
  ModUSB mod{adapter, dialogs, "halyard-station"};
};

TEST_F(ModUSBTest, AttachOpensTheFirstOfSeveralNames) {
  EXPECT_CALL(adapter, ListDevices(2, _, _))
      .WillOnce(DoAll(SetArgReferee<1>(2), SetArgReferee<2>(std::string("A,B"))));
  EXPECT_CALL(adapter, OpenDevice("A")).WillOnce(Return(0));
  EXPECT_TRUE(mod.AttachAdapter());
}

TEST_F(ModUSBTest, AttachUsesANameWithoutCommaWhole) {
  EXPECT_CALL(adapter, ListDevices(2, _, _))
      .WillOnce(DoAll(SetArgReferee<1>(1), SetArgReferee<2>(std::string("HALYARD-7"))));
  EXPECT_CALL(adapter, OpenDevice("HALYARD-7")).WillOnce(Return(0));
  EXPECT_TRUE(mod.AttachAdapter());
}

TEST_F(ModUSBTest, WriteWordBytesFormsTheWordAndChecksTheWrite) {
  InSequence order;
  EXPECT_CALL(adapter, WriteSmbusWord(0x00, static_cast<int16_t>(-20000), 0x16))
      .WillOnce(Return(0));
  EXPECT_CALL(adapter, GetWriteStatus()).WillOnce(Return(3));
  EXPECT_EQ(mod.WriteWordBytes(0x00, 0xB1, 0xE0), 3);
  EXPECT_CALL(adapter, WriteSmbusWord(0x11, 0x000F, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, GetWriteStatus()).WillOnce(Return(0));
  EXPECT_EQ(mod.WriteWordBytes(0x11, 0x00, 0x0F), 0);
}

TEST_F(ModUSBTest, WriteWordBytesSkipsTheCheckWhenTheWriteFails) {
  EXPECT_CALL(adapter, WriteSmbusWord(_, _, _)).WillOnce(Return(-1));
  EXPECT_EQ(mod.WriteWordBytes(0x00, 0x0F, 0x00), -1);
}

TEST_F(ModUSBTest, ReadWordBytesSplitsNegativeWords) {
  EXPECT_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16))
      .WillOnce(DoAll(SetArgReferee<1>(static_cast<int16_t>(0x8001)), Return(0)));
  uint8_t high = 0, low = 0;
  EXPECT_EQ(mod.ReadWordBytes(0x0D, high, low), 0);
  EXPECT_EQ(high, 0x80);
  EXPECT_EQ(low, 0x01);
}

TEST_F(ModUSBTest, ReadWordBytesLeavesBytesOnFailure) {
  EXPECT_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16))
      .WillOnce(DoAll(SetArgReferee<1>(static_cast<int16_t>(0x0105)), Return(4)));
  uint8_t high = 7, low = 9;
  EXPECT_EQ(mod.ReadWordBytes(0x0D, high, low), 4);
  EXPECT_EQ(high, 7);
  EXPECT_EQ(low, 9);
}

TEST_F(ModUSBTest, WriteControllerByteMasksTheValue) {
  InSequence order;
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x34, 0x16)).WillOnce(Return(2));
  EXPECT_EQ(mod.WriteControllerByte(0x5001, 0x1234), 2);
}

TEST_F(ModUSBTest, WriteControllerByteStopsAfterAFailedAddress) {
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).WillOnce(Return(-1));
  EXPECT_EQ(mod.WriteControllerByte(0x5001, 0x80), -1);
}

TEST_F(ModUSBTest, ReadControllerByteDoesNotReadAfterAFailedAddress) {
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x0000, 0x16)).WillOnce(Return(6));
  int16_t value = 0x1FF;
  EXPECT_EQ(mod.ReadControllerByte(0x0000, value), 6);
  EXPECT_EQ(value, 0x1FF);
}

TEST_F(ModUSBTest, ReadControllerByteKeepsTheLowByteEvenOfAFailedRead) {
  InSequence order;
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x0000, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, ReadSmbusWord(0x0B, _, 0x16))
      .WillOnce(DoAll(SetArgReferee<1>(static_cast<int16_t>(0x12A5)), Return(0)));
  int16_t value = 0;
  EXPECT_EQ(mod.ReadControllerByte(0x0000, value), 0);
  EXPECT_EQ(value, 0xA5);

  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x0000, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, ReadSmbusWord(0x0B, _, 0x16)).WillOnce(Return(3));
  value = 0x3C7;
  EXPECT_EQ(mod.ReadControllerByte(0x0000, value), 3);
  EXPECT_EQ(value, 0xC7);
}

TEST_F(ModUSBTest, ReadI2cStringOfNothingMakesNoCall) {
  std::string text = "old";
  EXPECT_EQ(mod.ReadI2cString(0x21, 0, 0xA0, text), 0);
  EXPECT_EQ(text, "");
}

TEST_F(ModUSBTest, ReadI2cStringStopsAtTheFailingRegisterKeepingItsCharacter) {
  InSequence order;
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x21, _))
      .WillOnce(DoAll(SetArgReferee<3>(int16_t{'H'}), Return(0)));
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x22, _))
      .WillOnce(DoAll(SetArgReferee<3>(int16_t{'a'}), Return(0)));
  // The control leaves the variable unchanged when the read fails.
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x23, _)).WillOnce(Return(-1));
  std::string text;
  EXPECT_EQ(mod.ReadI2cString(0x21, 12, 0xA0, text), -1);
  EXPECT_EQ(text, "Haa");
}

TEST_F(ModUSBTest, ReadSwbStringReadsHalfTheCountPlusOneWords) {
  for (int16_t count : {11, 12}) {
    EXPECT_CALL(adapter, ReadSwbWord(2, _, _))
        .Times(count / 2 + 1)
        .WillRepeatedly(DoAll(SetArgReferee<2>(static_cast<int16_t>(0x6148)), Return(0)));
    std::string text;
    EXPECT_EQ(mod.ReadSwbString(0x20, count, text), 0);
    EXPECT_EQ(text.size(), static_cast<size_t>(2 * (count / 2 + 1)));
    EXPECT_EQ(text.substr(0, 2), "Ha");  // low byte first
    ::testing::Mock::VerifyAndClearExpectations(&adapter);
  }
}

TEST_F(ModUSBTest, ReadSwbStringStopsAtTheThirdFailedWord) {
  InSequence order;
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x20, _))
      .WillOnce(DoAll(SetArgReferee<2>(static_cast<int16_t>(0x480C)), Return(0)));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x21, _))
      .WillOnce(DoAll(SetArgReferee<2>(static_cast<int16_t>(0x6C61)), Return(0)));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x22, _)).WillOnce(Return(9));
  std::string text;
  EXPECT_EQ(mod.ReadSwbString(0x20, 12, text), 9);
  EXPECT_EQ(text, std::string("\x0CH"
                              "alal",
                              6));
}

TEST_F(ModUSBTest, ReadSmbBlockStringTakesTheReportedBytes) {
  EXPECT_CALL(adapter, ReadSmbusBlock(0x20, _, _, 0x16))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        EXPECT_EQ(data.size(), 129u);
        data[0] = 'O';
        data[1] = 'K';
        count = 2;
        return int16_t{0};
      }));
  std::string text = "old";
  EXPECT_EQ(mod.ReadSmbBlockString(0x20, text), 0);
  EXPECT_EQ(text, "OK");
}

TEST_F(ModUSBTest, ReadSmbBlockStringLeavesTextEmptyOnFailure) {
  EXPECT_CALL(adapter, ReadSmbusBlock(0x20, _, _, 0x16))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{5}), Return(-7)));
  std::string text = "old";
  EXPECT_EQ(mod.ReadSmbBlockString(0x20, text), -7);
  EXPECT_EQ(text, "");
}

TEST_F(ModUSBTest, ReadSmbBlockStringNeverReadsPastTheArray) {
  // The control reports more bytes than the array holds, once with the array as handed,
  // once after shrinking it.
  EXPECT_CALL(adapter, ReadSmbusBlock(0x20, _, _, 0x16))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{130}), Return(0)))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        data.assign(4, 'x');
        count = 12;
        return int16_t{0};
      }));
  std::string text;
  EXPECT_EQ(mod.ReadSmbBlockString(0x20, text), kStatusBlockCountBeyondArray);
  EXPECT_EQ(text, "");
  EXPECT_EQ(mod.ReadSmbBlockString(0x20, text), kStatusBlockCountBeyondArray);
  EXPECT_EQ(text, "");
}

TEST_F(ModUSBTest, WriteConfigStringStopsAtTheFirstFailureWithOneMessage) {
  InSequence order;
  EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x21, ::testing::Eq(int16_t{'H'}))).WillOnce(Return(0));
  EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x22, ::testing::Eq(int16_t{'a'}))).WillOnce(Return(0));
  EXPECT_CALL(adapter, I2cAccess(1, 0xA0, 0x23, ::testing::Eq(int16_t{'l'}))).WillOnce(Return(5));
  EXPECT_EQ(mod.WriteConfigString(0x21, 12, 0xA0, "Halyard_Test"), 5);
  ASSERT_EQ(dialogs.messages.size(), 1u);
  EXPECT_EQ(dialogs.messages[0].prompt, "Could not write configuration string to device");
  EXPECT_EQ(dialogs.messages[0].style, 0);
  EXPECT_EQ(dialogs.messages[0].title, "halyard-station");
}

TEST_F(ModUSBTest, WriteConfigStringWritesEveryCharacterInOrder) {
  std::string written;
  EXPECT_CALL(adapter, I2cAccess(1, 0xA0, _, _))
      .Times(12)
      .WillRepeatedly(Invoke([&](int32_t, int16_t, int16_t reg, int16_t& value) {
        EXPECT_EQ(reg, 0x21 + static_cast<int16_t>(written.size()));
        written += static_cast<char>(value);
        return int16_t{0};
      }));
  EXPECT_EQ(mod.WriteConfigString(0x21, 12, 0xA0, "Halyard_Test"), 0);
  EXPECT_EQ(written, "Halyard_Test");
  EXPECT_TRUE(dialogs.messages.empty());
}

}  // namespace
}  // namespace halyard
