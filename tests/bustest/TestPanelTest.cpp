// The "Test" tab's panel alone, for what the bench cannot answer: versions holding any
// character, and a counter whose caption was changed.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "adapter/ModUSB.h"
#include "adapter/Utils.h"
#include "app/FormContext.h"
#include "bustest/TestPanel.h"
#include "support/MockTarnelRW.h"
#include "support/TestServices.h"

namespace halyard {
namespace {

using ::testing::_;
using ::testing::DoAll;
using ::testing::Return;
using ::testing::SetArgReferee;

// Every call of a NiceMock succeeds and leaves its outputs as they were. With an empty
// identification and a version of three NUL characters, all four tests then pass.
struct TestPanelTest : ::testing::Test {
  TestPanelTest() { state.ExpectedVersion = std::string(3, '\0'); }

  bool Version(int16_t first, int16_t second, int16_t status) {
    EXPECT_CALL(adapter, GetAdapterVersion(_, _))
        .WillOnce(DoAll(SetArgReferee<0>(first), SetArgReferee<1>(second), Return(status)));
    return panel.TestVersion();
  }

  ::testing::NiceMock<testing::MockTarnelRW> adapter;
  testing::RecordingDialogs dialogs;
  testing::FakeEventPump pump;
  FormControls controls;
  WindowState state;
  ModUSB modUSB{adapter, dialogs, "halyard-station"};
  Utils utils{pump};
  FormContext ctx{controls, state, adapter, modUSB, utils, dialogs, "halyard-station"};
  TestPanel panel{ctx};
};

TEST_F(TestPanelTest, VersionIsTheHighByteLowByteAndOneCharacterCode) {
  struct Row {
    const char* expected;
    int16_t first, second, status;
    bool verdict;
  };
  const Row rows[] = {
      {"123", 0x3132, 0x33, 0, true},
      {"123", 0x3132, 0x33, 4, false},
      {"aBc", 0x6142, 0x63, 0, true},
      {"abc", 0x6142, 0x63, 0, false},
      {"\xB1"
       "23",
       static_cast<int16_t>(0xB132), 0x33, 0, true},
      {"12\xFF", 0x3132, 0xFF, 0, true},
      {"12\xFF", 0x3132, -1, 0, false},  // 0xFFFF, not the byte 0xFF
      {"123", 0x3132, 0x0133, 0, false},
      {"", 0x3132, 0x33, 0, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.expected) + " " + std::to_string(row.second));
    state.ExpectedVersion = row.expected;
    controls.Label5[0].Caption = "old";
    EXPECT_EQ(Version(row.first, row.second, row.status), row.verdict);
    EXPECT_EQ(controls.Label6[0].Caption, row.verdict ? "Pass" : "Fail");
    EXPECT_EQ(controls.Label5[0].Caption, "");
  }
}

TEST_F(TestPanelTest, CounterAddsOneToWhatItsCaptionReads) {
  const char* const counts[][2] = {
      {"0", "1"}, {"9", "10"}, {"41", "42"}, {"Label3", "1"}, {"", "1"}};
  for (const auto& [before, after] : counts) {
    SCOPED_TRACE(before);
    controls.Label3.Caption = before;
    panel.Command2_Click(4);
    EXPECT_EQ(controls.Label6[4].Caption, "Pass");
    EXPECT_EQ(controls.Label3.Caption, after);
  }
}

}  // namespace
}  // namespace halyard
