// The trace line format: one line per operation, inputs, "->", status, outputs.
#include "adapter/TracingAdapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/MockTarnelRW.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::ElementsAre;
using ::testing::Invoke;
using testing::MockTarnelRW;
using ::testing::NiceMock;
using ::testing::Return;
using ::testing::SetArgReferee;

// Every operation once, each line as the station's trace documentation shows it.
TEST(TracingAdapter, OneLinePerOperation) {
  NiceMock<MockTarnelRW> inner;
  std::vector<std::string> sunk;
  TracingAdapter trace(inner, [&](const std::string& line) { sunk.push_back(line); });
  ON_CALL(inner, ListDevices(_, _, _))
      .WillByDefault(DoAll(SetArgReferee<1>(1), SetArgReferee<2>(std::string("HALYARD-SIM0"))));
  ON_CALL(inner, ReadSmbusWord(_, _, _))
      .WillByDefault(DoAll(SetArgReferee<1>(int16_t{0x34}), Return(0)));
  ON_CALL(inner, ReadSmbusBlock(_, _, _, _))
      .WillByDefault(Invoke([](int16_t, std::vector<uint8_t>& data, int16_t& count, int16_t) {
        data[0] = 0x00;
        data[1] = 0xAB;
        count = 2;
        return int16_t{0};
      }));
  ON_CALL(inner, SendSmbusCommand(_, _)).WillByDefault(Return(-1));
  ON_CALL(inner, I2cAccess(_, _, _, _))
      .WillByDefault(DoAll(SetArgReferee<3>(int16_t{1}), Return(0)));
  ON_CALL(inner, ReadSwbWord(_, _, _))
      .WillByDefault(DoAll(SetArgReferee<2>(int16_t{0x480C}), Return(0)));
  ON_CALL(inner, GetAdapterVersion(_, _))
      .WillByDefault(
          DoAll(SetArgReferee<0>(int16_t{0x312E}), SetArgReferee<1>(int16_t{0x32}), Return(0)));

  int32_t count = 0;
  std::string names;
  trace.ListDevices(2, count, names);
  trace.OpenDevice(names);
  trace.WriteSmbusWord(0x09, static_cast<int16_t>(0xB1E0), 0x17);
  int16_t word = 0;
  trace.ReadSmbusWord(0x0B, word, 0x16);
  std::vector<uint8_t> block(257, 0x0F);
  trace.WriteSmbusBlock(0x10, block, 3, 0x17);
  std::vector<uint8_t> read(129, 0);
  int16_t length = 0;
  trace.ReadSmbusBlock(0x0C, read, length, 0x17);
  trace.SendSmbusCommand(0x08, 0x17);
  trace.GetWriteStatus();
  int16_t value = 0;
  trace.I2cAccess(2, 0xA0, 0x51, value);
  trace.ReadSwbWord(2, 0x20, value);
  std::string path = "fw.srec", second, third;
  trace.ProgramSrec(path, second, third);
  int16_t first = 0, last = 0;
  trace.GetAdapterVersion(first, last);
  trace.CloseDevice();

  EXPECT_THAT(trace.Lines(),
              ElementsAre("ListDevices kind=2 -> count=1 names=\"HALYARD-SIM0\"",
                          "OpenDevice name=\"HALYARD-SIM0\" -> 0",
                          "WriteSmbusWord command=0x09 word=0xB1E0 device=0x17 -> 0",
                          "ReadSmbusWord command=0x0B device=0x16 -> 0 word=0x0034",
                          "WriteSmbusBlock command=0x10 count=3 device=0x17 data=0F 0F 0F -> 0",
                          "ReadSmbusBlock command=0x0C device=0x17 -> 0 count=2 data=00 AB",
                          "SendSmbusCommand command=0x08 device=0x17 -> -1", "GetWriteStatus -> 0",
                          "I2cAccess function=2 device=0xA0 register=0x51 value=0x0000 -> 0 "
                          "value=0x0001",
                          "ReadSwbWord kind=2 register=0x20 -> 0 value=0x480C",
                          "ProgramSrec path=\"fw.srec\" second=\"\" third=\"\" -> 0",
                          "GetAdapterVersion -> 0 first=0x312E second=0x0032", "CloseDevice"));
  EXPECT_EQ(sunk, trace.Lines());
  EXPECT_EQ(trace.TakeLines().size(), 13u);
  EXPECT_TRUE(trace.Lines().empty());
}

TEST(TracingAdapter, ACountBeyondTheArrayIsNotFollowed) {
  NiceMock<MockTarnelRW> inner;
  TracingAdapter trace(inner);
  EXPECT_CALL(inner, ReadSmbusBlock(_, _, _, _))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{200}), Return(0)));
  std::vector<uint8_t> read(2, 0x41);
  int16_t count = 0;
  trace.ReadSmbusBlock(0x20, read, count, 0x16);
  EXPECT_EQ(trace.Lines().back(),
            "ReadSmbusBlock command=0x20 device=0x16 -> 0 count=200 data=41 41");
}

TEST(TraceText, QuotesAndControlCharactersAreEscaped) {
  EXPECT_EQ(TraceText(".\\gxTrim.srec"), "\".\\gxTrim.srec\"");
  EXPECT_EQ(TraceText("a\"b\n"), "\"a\\\"b\\x0A\"");
}

}  // namespace
}  // namespace halyard
