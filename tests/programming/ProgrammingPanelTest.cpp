// The Programming tab on the simulated bench: what the window shows and the count of successful
// runs.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "support/TestStation.h"

namespace halyard::testing {
namespace {

TEST(ProgramOnBench, SuccessesCountUpTo32767AndFailuresAreReportedKeepingTheCount) {
  TestStation b;
  // A tiny image, so that reaching the count's end takes no time; configuration files written
  // on Windows separate folders with '\'.
  std::ofstream(b.Dir() / "tiny.srec") << "S00600004844521B\nS1050000AA55FB\nS9030000FC\n";
  b.form().SetSrecName(b.Dir().string() + "\\tiny.srec");
  for (int i = 0; i < 32765; ++i)
    b.form().Program_Click();
  b.TakeTrace();
  b.form().SetSrecName(SourceDir().string() + "\\firmware\\halyard-fw.srec");
  b.form().Program_Click();  // counted: see below
  // A path that cannot be programmed, or a status scripted in the device's place.
  const std::string fw = Image("halyard-fw.srec");
  for (const auto& [path, scripted] : std::vector<std::pair<std::string, int>>{
           {Image("missing.srec"), 0}, {"", 0}, {fw, -1}, {fw, 9}}) {
    SCOPED_TRACE(path);
    b.dialogs.messages.clear();
    if (scripted != 0) b.Rule(R"({"op":"ProgramSrec","status":)" + std::to_string(scripted) + "}");
    b.form().SetSrecName(path);
    b.form().Program_Click();
    const std::string status = b.controls().Label7.Caption;
    EXPECT_TRUE(status != "0" && (scripted == 0 || status == std::to_string(scripted))) << status;
    EXPECT_EQ(b.form().State().ProgramPassCount, 32766);
    EXPECT_EQ(b.controls().Label4.Caption, "32766");
    const std::string prompt = "Error (error: " + status + ")programming device from srec: " + path;
    EXPECT_EQ(b.dialogs.messages, (std::vector<RecordedMessage>{{prompt, 0, "Programming Error"}}));
  }
  // A 16-bit count stops at its largest value rather than wrapping.
  b.form().SetSrecName(fw);
  b.form().Program_Click();
  b.form().Program_Click();
  EXPECT_EQ(b.form().State().ProgramPassCount, 32767);
  EXPECT_EQ(b.controls().Label4.Caption, "32767");
  EXPECT_EQ(b.controls().Label7.Caption, "0");
  EXPECT_EQ(b.sim().SuccessfulProgrammings(), 32765 + 3);
  EXPECT_EQ(b.dialogs.messages.size(), 1u);  // the last failure's
}

}  // namespace
}  // namespace halyard::testing
