// Tests of the Programming tab: what is handed to the control, what the window shows and the
// count of successful runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "support/MockTarnelRW.h"
#include "support/TestServices.h"
#include "trim/PanelHarness.h"

namespace halyard::testing {
namespace {

using ::testing::_;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

RecordedMessage ProgrammingError(int16_t status, const std::string& path) {
  return {"Error (error: " + std::to_string(status) + ")programming device from srec: " + path, 0,
          "Programming Error"};
}

// The control's copies are its own: the box names the path the window shows, and each run
// hands over the path afresh with empty further texts.
TEST(ProgramFromSrec, EachRunHandsOverFreshCopies) {
  ::testing::StrictMock<MockTarnelRW> adapter;
  PanelHarness h(adapter);
  h.controls.SREC_Name.Text = "fw.srec";
  ::testing::InSequence order;
  EXPECT_CALL(adapter, ProgramSrec(_, _, _))
      .WillOnce([](std::string& path, std::string& second, std::string& third) {
        path = "/resolved/fw.srec";
        second = "junk";
        third = "junk";
        return int16_t{2};
      });
  EXPECT_CALL(adapter, ProgramSrec(_, _, _))
      .WillOnce([](std::string& path, std::string& second, std::string& third) {
        EXPECT_EQ(path, "fw.srec");
        EXPECT_EQ(second, "");
        EXPECT_EQ(third, "");
        return int16_t{0};
      });
  EXPECT_EQ(h.programming.ProgramFromSrec(), 2);
  EXPECT_THAT(h.dialogs.messages, ElementsAre(ProgrammingError(2, "fw.srec")));
  EXPECT_EQ(h.controls.SREC_Name.Text, "fw.srec");
  EXPECT_EQ(h.programming.ProgramFromSrec(), 0);
}

// ---- On the simulated bench ----

TEST(ProgramOnBench, SuccessesAreCountedUpTo32767AndEachRunReadsThePathAgain) {
  Bench b;
  // Configuration files written on Windows separate folders with '\'.
  b.h.controls.SREC_Name.Text = SourceDir().string() + "\\firmware\\halyard-fw.srec";
  b.h.programming.Program_Click();
  b.h.programming.Program_Click();
  EXPECT_EQ(b.h.controls.Label7.Caption, "0");
  EXPECT_EQ(b.h.controls.Label4.Caption, "2");
  EXPECT_EQ(b.sim->SuccessfulProgrammings(), 2);
  // A 16-bit count stops at its largest value rather than wrapping.
  b.h.state.ProgramPassCount = 32766;
  b.h.programming.Program_Click();
  b.h.programming.Program_Click();
  EXPECT_EQ(b.h.state.ProgramPassCount, 32767);
  EXPECT_EQ(b.h.controls.Label4.Caption, "32767");
  EXPECT_THAT(b.h.dialogs.messages, IsEmpty());

  b.h.controls.SREC_Name.Text = "";
  b.h.programming.Program_Click();
  ASSERT_EQ(b.sim->Programmings().size(), 5u);
  EXPECT_EQ(b.sim->Programmings().back().path, "");
  EXPECT_EQ(b.h.controls.Label4.Caption, "32767");
}

TEST(ProgramOnBench, EveryFailureIsReportedWithItsStatusAndPathAndKeepsTheCount) {
  struct Case {
    std::string path;
    std::optional<int16_t> scripted;  // a status the control answers in the device's place
  };
  const std::vector<Case> cases{{Image("missing.srec"), {}},
                                {"", {}},
                                {Image("halyard-fw.srec"), int16_t{-1}},
                                {Image("halyard-fw.srec"), int16_t{9}}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.path);
    Bench b;
    if (c.scripted) {
      BenchRule rule;
      rule.status = *c.scripted;
      b.sim->AddRule(rule);
    }
    b.h.controls.SREC_Name.Text = c.path;
    b.h.state.ProgramPassCount = 4;
    b.h.controls.Label4.Caption = "4";
    const int16_t status = b.h.programming.ProgramFromSrec();
    EXPECT_NE(status, 0);
    EXPECT_EQ(status, c.scripted.value_or(status));
    EXPECT_EQ(b.h.controls.Label7.Caption, std::to_string(status));
    EXPECT_EQ(b.h.state.ProgramPassCount, 4);
    EXPECT_EQ(b.h.controls.Label4.Caption, "4");
    EXPECT_THAT(b.h.dialogs.messages, ElementsAre(ProgrammingError(status, c.path)));
  }
}

}  // namespace
}  // namespace halyard::testing
