// The trace line format at its edges; every operation's ordinary line is pinned by the golden
// traces of whole procedures.
#include "adapter/TracingAdapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/MockTarnelRW.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgReferee;

TEST(TracingAdapter, BlocksAreNotFollowedPastTheirArrayAndLinesReachTheSink) {
  ::testing::NiceMock<testing::MockTarnelRW> inner;
  std::vector<std::string> sunk;
  TracingAdapter trace(inner, [&](const std::string& line) { sunk.push_back(line); });
  EXPECT_CALL(inner, ReadSmbusBlock(_, _, _, _))
      .WillOnce(DoAll(SetArgReferee<2>(int16_t{200}), Return(0)));
  std::vector<uint8_t> read(2, 0x41);
  int16_t count = 0;
  trace.ReadSmbusBlock(0x20, read, count, 0x16);
  trace.WriteSmbusBlock(0x10, read, 5, 0x17);
  const std::vector<std::string> expected{
      "ReadSmbusBlock command=0x20 device=0x16 -> 0 count=200 data=41 41",
      "WriteSmbusBlock command=0x10 count=5 device=0x17 data=41 41 -> 0"};
  EXPECT_EQ(sunk, expected);
  EXPECT_EQ(trace.TakeLines(), expected);
  EXPECT_TRUE(trace.Lines().empty());
}

TEST(TraceText, QuotesAndControlCharactersAreEscapedPathsKeptAsTheyStand) {
  EXPECT_EQ(TraceText(".\\gxTrim.srec"), "\".\\gxTrim.srec\"");
  EXPECT_EQ(TraceText("a\"b\n"), "\"a\\\"b\\x0A\"");
}

}  // namespace
}  // namespace halyard
