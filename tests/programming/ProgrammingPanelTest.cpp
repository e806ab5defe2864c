// Tests of the Programming tab: what is handed to the control, what the window shows and the
// count of successful runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "support/MockTarnelRW.h"
#include "support/TestServices.h"
#include "trim/PanelHarness.h"

namespace halyard::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::Return;
using ::testing::StrictMock;

class ProgramTest : public ::testing::Test {
 protected:
  StrictMock<MockTarnelRW> adapter;
  PanelHarness h{adapter};
};

TEST_F(ProgramTest, SuccessShowsZeroCountsOneAndShowsNoMessage) {
  h.controls.SREC_Name.Text = "fw/a.srec";
  EXPECT_CALL(adapter, ProgramSrec(_, _, _))
      .WillOnce([](std::string& path, std::string& second, std::string& third) {
        EXPECT_EQ(path, "fw/a.srec");
        EXPECT_EQ(second, "");
        EXPECT_EQ(third, "");
        return int16_t{0};
      });
  h.programming.Program_Click();
  EXPECT_EQ(h.controls.Label7.Caption, "0");
  EXPECT_EQ(h.controls.Label4.Caption, "1");
  EXPECT_EQ(h.state.ProgramPassCount, 1);
  EXPECT_TRUE(h.dialogs.messages.empty());
}

TEST_F(ProgramTest, FailureNamesStatusAndPathAndKeepsTheCount) {
  h.controls.SREC_Name.Text = "C:\\fw\\b.srec";
  h.state.ProgramPassCount = 4;
  h.controls.Label4.Caption = "4";
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).WillOnce(Return(-1)).WillOnce(Return(5));
  EXPECT_EQ(h.programming.ProgramFromSrec(), -1);
  EXPECT_EQ(h.controls.Label7.Caption, "-1");
  EXPECT_EQ(h.programming.ProgramFromSrec(), 5);
  EXPECT_EQ(h.controls.Label7.Caption, "5");
  EXPECT_THAT(h.dialogs.messages,
              ElementsAre(RecordedMessage{"Error (error: -1)programming device from srec: "
                                          "C:\\fw\\b.srec",
                                          0, "Programming Error"},
                          RecordedMessage{"Error (error: 5)programming device from srec: "
                                          "C:\\fw\\b.srec",
                                          0, "Programming Error"}));
  EXPECT_EQ(h.state.ProgramPassCount, 4);
  EXPECT_EQ(h.controls.Label4.Caption, "4");
}

TEST_F(ProgramTest, MessageNamesThePathInTheWindowEvenIfTheControlAlteredItsCopy) {
  h.controls.SREC_Name.Text = "fw.srec";
  EXPECT_CALL(adapter, ProgramSrec(_, _, _))
      .WillOnce([](std::string& path, std::string& second, std::string&) {
        path = "/resolved/fw.srec";
        second = "junk";
        return int16_t{2};
      });
  h.programming.ProgramFromSrec();
  ASSERT_EQ(h.dialogs.messages.size(), 1u);
  EXPECT_EQ(h.dialogs.messages[0].prompt, "Error (error: 2)programming device from srec: fw.srec");
  EXPECT_EQ(h.controls.SREC_Name.Text, "fw.srec");
}

TEST_F(ProgramTest, EachRunReadsThePathAfresh) {
  ::testing::InSequence order;
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).WillOnce([](std::string& path, auto&, auto&) {
    EXPECT_EQ(path, "first.srec");
    return int16_t{0};
  });
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).WillOnce([](std::string& path, auto&, auto&) {
    EXPECT_EQ(path, "");
    return int16_t{1};
  });
  h.controls.SREC_Name.Text = "first.srec";
  h.programming.Program_Click();
  h.controls.SREC_Name.Text = "";
  h.programming.Program_Click();
  EXPECT_THAT(h.dialogs.messages,
              ElementsAre(RecordedMessage{"Error (error: 1)programming device from srec: ", 0,
                                          "Programming Error"}));
}

TEST_F(ProgramTest, CountStopsAtItsLargestValue) {
  h.state.ProgramPassCount = 32766;
  EXPECT_CALL(adapter, ProgramSrec(_, _, _)).Times(3).WillRepeatedly(Return(0));
  for (int i = 0; i < 3; ++i)
    h.programming.Program_Click();
  EXPECT_EQ(h.state.ProgramPassCount, 32767);
  EXPECT_EQ(h.controls.Label4.Caption, "32767");
  EXPECT_EQ(h.controls.Label7.Caption, "0");
}

}  // namespace
}  // namespace halyard::testing
