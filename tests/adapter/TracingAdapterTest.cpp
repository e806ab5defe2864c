// The trace lines the station's golden traces show with realistic values only: a field taken
// from the wrong argument, printed in the wrong form or order, or a count not cut shows here by
// distinct values in every argument. The golden traces (tests/*/golden) hold every operation.
#include "adapter/TracingAdapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <functional>

#include "support/MockTarnelRW.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgReferee;

TEST(TracingAdapter, OperationsPrintInputsStatusAndOutputsInTableOrder) {
  ::testing::NiceMock<testing::MockTarnelRW> inner;
  std::vector<uint8_t> block{0x00, 0x7F, 0xA5};
  ON_CALL(inner, ReadSmbusWord(_, _, _))
      .WillByDefault(DoAll(SetArgReferee<1>(int16_t(-20000)), Return(4)));
  ON_CALL(inner, ReadSmbusBlock(_, _, _, _))
      .WillByDefault(DoAll(SetArgReferee<1>(block), SetArgReferee<2>(int16_t(2)), Return(5)));
  ON_CALL(inner, GetWriteStatus()).WillByDefault(Return(-7));
  ON_CALL(inner, ReadSwbWord(_, _, _))
      .WillByDefault(DoAll(SetArgReferee<2>(int16_t(0x1234)), Return(9)));
  ON_CALL(inner, ProgramSrec(_, _, _))
      .WillByDefault(DoAll(SetArgReferee<0>(std::string("changed")), Return(10)));
  TracingAdapter trace(inner);
  int16_t word = 0, count = 0, value = 0x0102;
  std::string path = "fw.srec", second = "b", third = "c";
  std::vector<uint8_t> data(1, 0xEE);
  const std::vector<std::pair<std::function<void()>, std::string>> cases = {
      {[&] { trace.ReadSmbusWord(0x100, word, -1); },
       "ReadSmbusWord command=0x100 device=0xFFFF -> 4 word=0xB1E0"},
      {[&] { trace.WriteSmbusBlock(0x10, block, 2, 0x1234); },
       "WriteSmbusBlock command=0x10 count=2 device=0x1234 data=00 7F -> 0"},
      {[&] { trace.ReadSmbusBlock(0x0C, data, count, 0x17); },
       "ReadSmbusBlock command=0x0C device=0x17 -> 5 count=2 data=00 7F"},
      {[&] { trace.GetWriteStatus(); }, "GetWriteStatus -> -7"},
      {[&] { trace.ReadSwbWord(70000, 0x21, value); },
       "ReadSwbWord kind=70000 register=0x21 -> 9 value=0x1234"},
      {[&] { trace.ProgramSrec(path, second, third); },
       R"(ProgramSrec path="fw.srec" second="b" third="c" -> 10)"},
  };
  for (const auto& [call, line] : cases) {
    call();
    ASSERT_FALSE(trace.Lines().empty());
    EXPECT_EQ(trace.Lines().back(), line);
  }
  EXPECT_EQ(trace.Lines().size(), cases.size());
}

TEST(TracingAdapter, BlocksStopAtTheirArrayTextsAreQuotedAndNumbersShowTheirPattern) {
  ::testing::NiceMock<testing::MockTarnelRW> inner;
  std::vector<std::string> sunk;
  TracingAdapter trace(inner, [&](const std::string& line) { sunk.push_back(line); });
  std::vector<uint8_t> data(2, 0x41);
  trace.WriteSmbusBlock(0x10, data, 200, 0x17);
  trace.WriteSmbusBlock(0x10, data, -1, 0x17);
  std::string path = ".\\a\"b\n\x7F\x80", second, third;
  trace.ProgramSrec(path, second, third);
  const std::vector<std::string> expected{
      "WriteSmbusBlock command=0x10 count=200 device=0x17 data=41 41 -> 0",
      "WriteSmbusBlock command=0x10 count=-1 device=0x17 data= -> 0",
      "ProgramSrec path=\".\\a\\\"b\\x0A\\x7F\x80\" second=\"\" third=\"\" -> 0"};
  EXPECT_EQ(sunk, expected);
  EXPECT_EQ(trace.TakeLines(), expected);
  EXPECT_TRUE(trace.Lines().empty());
  // A number shows its 16-bit pattern in as many digits as it needs, two at least.
  EXPECT_EQ(TraceHex2(0xFFF), "0xFFF");
  EXPECT_EQ(TraceHex2(0x10000 + 0x1A), "0x1A");
}

}  // namespace
}  // namespace halyard
