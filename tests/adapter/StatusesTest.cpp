// The statuses' one table: each status has one meaning for the operations that answer it, and
// a programming file fault is not read into another operation's status of the same number.
#include <gtest/gtest.h>

#include <set>
#include <utility>

#include "adapter/Statuses.h"

namespace halyard {
namespace {

TEST(Statuses, EachAdapterStatusMeansOneThingInItsScope) {
  std::set<std::pair<int16_t, StatusScope>> seen;
  for (const StatusEntry& entry : kAdapterStatuses) {
    SCOPED_TRACE(std::string(entry.name));
    EXPECT_FALSE(IsStationStatus(entry.status));
    EXPECT_TRUE(seen.insert({entry.status, entry.scope}).second);
    EXPECT_FALSE(entry.meaning.empty());
  }
}

TEST(Statuses, MeaningDependsOnTheOperationOnlyWhereTheTableSaysSo) {
  using enum StatusScope;
  // clang-format off
  struct Case { int16_t status; StatusScope scope; std::string_view meaning; };
  for (const Case& c : {
      Case{kStatusFileNotFound, kProgramming, "file not found"},
      Case{kStatusFileNotFound, kAnyOperation, ""},  // 1 from an SMBus read means nothing known
      Case{kStatusNoDevice, kProgramming, "nothing answers at that address"},
      Case{kStatusNoDevice, kAnyOperation, "nothing answers at that address"},
      Case{kStatusTimeout, kAnyOperation, "the transfer timed out (ETIMEDOUT)"},
      Case{0, kAnyOperation, ""},
      Case{9, kProgramming, ""}}) {
    // clang-format on
    SCOPED_TRACE(c.status);
    EXPECT_EQ(StatusMeaning(c.status, c.scope), c.meaning);
  }
}

}  // namespace
}  // namespace halyard
