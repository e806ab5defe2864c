// The Programming tab on the simulated bench: what the window shows and the count of successful
// runs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "trim/PanelHarness.h"

namespace halyard::testing {
namespace {

TEST(ProgramOnBench, SuccessesCountUpTo32767AndFailuresAreReportedKeepingTheCount) {
  Bench b;
  b.h.state.ProgramPassCount = 32765;
  // Configuration files written on Windows separate folders with '\'.
  b.h.controls.SREC_Name.Text = SourceDir().string() + "\\firmware\\halyard-fw.srec";
  b.h.programming.Program_Click();  // counted: see below
  // A path that cannot be programmed, or a status scripted in the device's place.
  const std::string fw = Bench::Image("halyard-fw.srec");
  for (const auto& [path, scripted] : std::vector<std::pair<std::string, int>>{
           {Bench::Image("missing.srec"), 0}, {"", 0}, {fw, -1}, {fw, 9}}) {
    SCOPED_TRACE(path);
    b.h.dialogs.messages.clear();
    if (scripted != 0) b.Rule(R"({"op":"ProgramSrec","status":)" + std::to_string(scripted) + "}");
    b.h.controls.SREC_Name.Text = path;
    b.h.programming.Program_Click();
    const std::string status = b.h.controls.Label7.Caption;
    EXPECT_TRUE(status != "0" && (scripted == 0 || status == std::to_string(scripted))) << status;
    EXPECT_EQ(b.h.state.ProgramPassCount, 32766);
    EXPECT_EQ(b.h.controls.Label4.Caption, "32766");
    const std::string prompt = "Error (error: " + status + ")programming device from srec: " + path;
    EXPECT_EQ(b.h.dialogs.messages,
              (std::vector<RecordedMessage>{{prompt, 0, "Programming Error"}}));
  }
  // A 16-bit count stops at its largest value rather than wrapping.
  b.h.controls.SREC_Name.Text = fw;
  b.h.programming.Program_Click();
  b.h.programming.Program_Click();
  EXPECT_EQ(b.h.state.ProgramPassCount, 32767);
  EXPECT_EQ(b.h.controls.Label4.Caption, "32767");
  EXPECT_EQ(b.h.controls.Label7.Caption, "0");
  EXPECT_EQ(b.sim->SuccessfulProgrammings(), 3);
  EXPECT_EQ(b.h.dialogs.messages.size(), 1u);  // the last failure's
}

}  // namespace
}  // namespace halyard::testing
