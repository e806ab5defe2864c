// The bus transaction routines at the edges the procedures' traces do not reach. (Attaching to
// the first of several adapters: the I2cStation tests, where two buses are listed.)
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
using ::testing::Return;
using ::testing::SetArgReferee;

class ModUSBTest : public ::testing::Test {
 protected:
  ::testing::StrictMock<testing::MockTarnelRW> adapter;
  testing::RecordingDialogs dialogs;
  ModUSB mod{adapter, dialogs, "halyard-station"};
};

TEST_F(ModUSBTest, WordsTravelAsSignedPatternsBothWays) {
  InSequence order;
  EXPECT_CALL(adapter, WriteSmbusWord(0x00, int16_t{-20000}, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, GetWriteStatus()).WillOnce(Return(3));
  EXPECT_EQ(mod.WriteWordBytes(0x00, 0xB1, 0xE0), 3);
  EXPECT_CALL(adapter, WriteSmbusWord(0x00, 0x0F00, 0x16)).WillOnce(Return(-1));  // no check
  EXPECT_EQ(mod.WriteWordBytes(0x00, 0x0F, 0x00), -1);

  EXPECT_CALL(adapter, ReadSmbusWord(0x0D, _, 0x16))
      .WillOnce(DoAll(SetArgReferee<1>(static_cast<int16_t>(0x8001)), Return(0)))
      .WillOnce(DoAll(SetArgReferee<1>(int16_t{0x0105}), Return(4)));
  uint8_t high = 0, low = 0;
  EXPECT_EQ(mod.ReadWordBytes(0x0D, high, low), 0);
  EXPECT_EQ(high, 0x80);
  EXPECT_EQ(low, 0x01);
  EXPECT_EQ(mod.ReadWordBytes(0x0D, high, low), 4);  // a failed read leaves both bytes
  EXPECT_EQ(high, 0x80);
  EXPECT_EQ(low, 0x01);
}

TEST_F(ModUSBTest, ControllerBytesAreMaskedAndAFailedAddressStopsTheSequence) {
  InSequence order;
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x5001, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, WriteSmbusWord(0x0A, 0x34, 0x16)).WillOnce(Return(2));
  EXPECT_EQ(mod.WriteControllerByte(0x5001, 0x1234), 2);
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x0000, 0x16)).WillOnce(Return(6));
  int16_t value = 0x1FF;
  EXPECT_EQ(mod.ReadControllerByte(0x0000, value), 6);
  EXPECT_EQ(value, 0x1FF);
  EXPECT_CALL(adapter, WriteSmbusWord(0x09, 0x0000, 0x16)).WillOnce(Return(0));
  EXPECT_CALL(adapter, ReadSmbusWord(0x0B, _, 0x16)).WillOnce(Return(3));
  value = 0x3C7;
  EXPECT_EQ(mod.ReadControllerByte(0x0000, value), 3);
  EXPECT_EQ(value, 0xC7);  // cut to its low byte even after a failed read
}

TEST_F(ModUSBTest, StringReadsStopAtTheFailingReadKeepingItsCharacters) {
  InSequence order;
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x21, _))
      .WillOnce(DoAll(SetArgReferee<3>(int16_t{'H'}), Return(0)));
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x22, _))
      .WillOnce(DoAll(SetArgReferee<3>(int16_t{'a'}), Return(0)));
  EXPECT_CALL(adapter, I2cAccess(2, 0xA0, 0x23, _)).WillOnce(Return(-1));  // variable untouched
  std::string text;
  EXPECT_EQ(mod.ReadI2cString(0x21, 12, 0xA0, text), -1);
  EXPECT_EQ(text, "Haa");

  EXPECT_CALL(adapter, ReadSwbWord(2, 0x20, _))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{0x480C}), Return(0)));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x21, _))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{0x6C61}), Return(0)));
  EXPECT_CALL(adapter, ReadSwbWord(2, 0x22, _)).WillOnce(Return(9));
  EXPECT_EQ(mod.ReadSwbString(0x20, 12, text), 9);
  EXPECT_EQ(text, std::string("\x0CHalal", 6));  // low byte first
}

TEST_F(ModUSBTest, ABlockCountBeyondAShrunkArrayIsAFailedRead) {
  EXPECT_CALL(adapter, ReadSmbusBlock(0x20, _, _, 0x16))
      .WillOnce(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        data.assign(4, 'x');
        count = 12;
        return int16_t{0};
      }));
  std::string text = "old";
  EXPECT_EQ(mod.ReadSmbBlockString(0x20, text), kStatusBlockCountBeyondArray);
  EXPECT_EQ(text, "");
}

}  // namespace
}  // namespace halyard
