// Tests of the Programming tab: what is handed to the control, what the window shows and the
// count of successful runs.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapter/TracingAdapter.h"
#include "sim/SimulatedAdapter.h"
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

// ---- On the simulated bench ----

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("HALYARD_SOURCE_DIR");
  // Run by hand, without ctest's environment: the checkout this file lies in.
  return dir ? std::filesystem::path(dir)
             : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

struct ProgramBench {
  ProgramBench() : sim(Make()), h(*sim) { sim->OpenDevice("HALYARD-SIM0"); }
  static std::unique_ptr<SimulatedAdapter> Make() {
    std::string error;
    auto made = MakeSimulatedAdapter("", error);
    if (!made) ADD_FAILURE() << error;
    return made;
  }
  std::unique_ptr<SimulatedAdapter> sim;
  PanelHarness h;
};

TEST(ProgramOnBench, ShippedFirmwareProgramsAndCounts) {
  ProgramBench b;
  // Configuration files written on Windows separate folders with '\'.
  b.h.controls.SREC_Name.Text = SourceDir().string() + "\\firmware\\halyard-fw.srec";
  b.h.programming.Program_Click();
  b.h.programming.Program_Click();
  EXPECT_EQ(b.h.controls.Label7.Caption, "0");
  EXPECT_EQ(b.h.controls.Label4.Caption, "2");
  EXPECT_TRUE(b.h.dialogs.messages.empty());
  EXPECT_EQ(b.sim->SuccessfulProgrammings(), 2);
}

TEST(ProgramOnBench, EveryKindOfFailureIsReportedWithItsStatusAndPath) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("halyard-program-" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  const std::filesystem::path damaged = dir / "damaged.srec";
  std::ofstream(damaged) << "S1130000000102030405060708090A0B0C0D0E0F00\n";  // wrong checksum
  struct Case {
    std::string path;
    std::optional<int16_t> scripted;  // a status the control answers in the device's place
  };
  const std::string good = (SourceDir() / "firmware" / "halyard-fw.srec").string();
  const std::vector<Case> cases{{(dir / "missing.srec").string(), {}},
                                {damaged.string(), {}},
                                {dir.string(), {}},
                                {"", {}},
                                {good, int16_t{-1}},
                                {good, int16_t{9}}};
  for (const Case& c : cases) {
    ProgramBench b;
    if (c.scripted) {
      BenchRule rule;
      rule.status = *c.scripted;
      b.sim->AddRule(rule);
    }
    b.h.controls.SREC_Name.Text = c.path;
    const int16_t status = b.h.programming.ProgramFromSrec();
    EXPECT_NE(status, 0) << c.path;
    if (c.scripted) {
      EXPECT_EQ(status, *c.scripted);
    }
    EXPECT_EQ(b.h.controls.Label7.Caption, std::to_string(status));
    EXPECT_EQ(b.h.controls.Label4.Caption, "0");
    EXPECT_THAT(b.h.dialogs.messages,
                ElementsAre(RecordedMessage{"Error (error: " + std::to_string(status) +
                                                ")programming device from srec: " + c.path,
                                            0, "Programming Error"}));
  }
  std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace halyard::testing
