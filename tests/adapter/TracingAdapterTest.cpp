// The trace line format at its edges; every operation's ordinary line is pinned by the golden
// traces of whole procedures.
#include "adapter/TracingAdapter.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "support/MockTarnelRW.h"

namespace halyard {
namespace {

TEST(TracingAdapter, BlocksStopAtTheirArrayAndTextsAreQuotedWithPathsAsTheyStand) {
  ::testing::NiceMock<testing::MockTarnelRW> inner;
  std::vector<std::string> sunk;
  TracingAdapter trace(inner, [&](const std::string& line) { sunk.push_back(line); });
  std::vector<uint8_t> data(2, 0x41);
  trace.WriteSmbusBlock(0x10, data, 200, 0x17);
  std::string path = ".\\a\"b\n", second, third;
  trace.ProgramSrec(path, second, third);
  const std::vector<std::string> expected{
      "WriteSmbusBlock command=0x10 count=200 device=0x17 data=41 41 -> 0",
      "ProgramSrec path=\".\\a\\\"b\\x0A\" second=\"\" third=\"\" -> 0"};
  EXPECT_EQ(sunk, expected);
  EXPECT_EQ(trace.TakeLines(), expected);
  EXPECT_TRUE(trace.Lines().empty());
}

}  // namespace
}  // namespace halyard
