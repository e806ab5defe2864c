// Start-up, shutdown and the tab guard: transaction by transaction on the simulated bench, and on
// benches whose adapter and test target each case spoils in one way.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "support/Golden.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using testing::ExpectGolden;
using testing::TestStation;

// The I2C calls of the bus lines, and whether the last of them closed the run.
size_t I2cCalls(const std::vector<std::string>& lines) {
  return std::ranges::count_if(lines, [](const auto& l) { return l.starts_with("I2cAccess"); });
}
bool EndsWithClose(const std::vector<std::string>& lines) {
  const auto last = std::find_if(lines.rbegin(), lines.rend(),
                                 [](const auto& l) { return l.starts_with("I2cAccess"); });
  return last != lines.rend() && last->starts_with("I2cAccess function=0 device=0x00");
}

TEST(Form1Startup, OnlyNoAdapterOrMinusOneFromOpenIsReportedAndStartUpGoesOn) {
  const testing::RecordedMessage message{"Did not attach to Halyard", 0, "Error attaching"};
  struct Case {
    const char* bench;
    bool reported;
  };
  const Case cases[] = {
      {R"({"open_result": 5})", false},
      {R"({"open_result": -1})", true},
      {R"({"adapters": []})", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.bench);
    TestStation s({.bench = c.bench, .ini = "[DefaultFiles]\nSREC_FileName=fw.srec\n"});
    EXPECT_EQ(s.dialogs.messages, std::vector(c.reported ? 1 : 0, message));
    // No adapter listed: nothing to open.
    EXPECT_EQ(std::ranges::count_if(s.all, [](auto& l) { return l.starts_with("OpenDevice"); }),
              std::string(c.bench).find("[]") == std::string::npos ? 1 : 0);
    EXPECT_EQ(s.controls().SREC_Name.Text, "fw.srec");
    EXPECT_TRUE(EndsWithClose(s.all));
  }
}

TEST(Form1Startup, ConfigurationValuesApplyOnlyWithASrecName) {
  struct Case {
    std::string ini, srec, trim, expected;
  };
  const std::vector<Case> cases{
      {"", "", ".\\gxTrim.srec", ""},
      {"[DefaultFiles]\nSREC_FileName=a\nTRIM_FileName=\nEXPECTED_VERSION=1.23\n", "a", "", "1.2"},
      {"[DefaultFiles]\nSREC_FileName=a\nEXPECTED_VERSION=1\n", "a", "", "1"},
      {"[DefaultFiles]\nSREC_FileName=\nTRIM_FileName=t\nEXPECTED_VERSION=1.2\n", "",
       ".\\gxTrim.srec", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.ini);
    TestStation s({.ini = c.ini});
    EXPECT_EQ(s.controls().SREC_Name.Text, c.srec);
    EXPECT_EQ(s.controls().TrimFilePathAndName.Text, c.trim);
    EXPECT_EQ(s.form().State().ExpectedVersion, c.expected);
  }
}

TEST(Form1Startup, EveryCheckOfTheTargetMustPassAndTheRunIsAlwaysClosed) {
  struct Case {
    const char* what;
    std::string spoil;  // bench-file text after the configured target's
    size_t calls;       // I2C calls, the close included
    bool configured;
  };
  const std::vector<Case> cases{
      {"configured", "}", 16, true},
      {"open fails",
       R"(}, "rules": [{"op": "I2cAccess", "match": {"function": 0, "device": 1}, "status": 1}])",
       2, false},
      {"flag read fails",
       R"(}, "rules": [{"op": "I2cAccess", "match": {"function": 2, "register": "0x51"}, "status": 4}])",
       3, false},
      {"flag bit clear", R"(, "memory": {"0x51": "0xFE"}})", 3, false},
      {"length differs", R"(, "memory": {"0x20": 13}})", 4, false},
      {"text differs in case", R"(, "memory": {"0x21": "0x68"}})", 16, false},
      {"text read fails",
       R"(}, "rules": [{"op": "I2cAccess", "match": {"function": 2, "register": "0x23"}, "status": 4}])",
       7, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestStation s({.bench = R"({"target": {"configured": true)" + c.spoil + "}"});
    EXPECT_EQ(s.form().State().TargetNotConfigured, !c.configured);
    EXPECT_EQ(I2cCalls(s.all), c.calls);
    EXPECT_TRUE(EndsWithClose(s.all));
  }
}

TEST(Form1Startup, TheGuardKeepsTheOperatorOffTestOnlyWhileNotConfigured) {
  for (bool configured : {false, true}) {
    TestStation s({.bench = configured ? R"({"target": {"configured": true}})" : "{}"});
    EXPECT_EQ(s.controls().SSTab1.Tab, 0);
    for (int16_t tab : {0, 1, 2, 3}) {
      s.form().SelectTab(tab);
      EXPECT_EQ(s.controls().SSTab1.Tab, tab == 1 && !configured ? 2 : tab);
    }
    EXPECT_FALSE(s.form().SelectTab(4));
  }
}

// Start-up without a configuration file, then shutdown: every bus line of both.
std::vector<std::string> StartAndStop(const std::string& benchJson, WindowState* state) {
  testing::TestStation station({.bench = benchJson, .ini = ""});
  *state = station.form().State();
  station.form().Form_Unload();
  return station.all;
}

TEST(StartupGolden, BlankAndConfiguredTargets) {
  WindowState state;
  ExpectGolden(StartAndStop("{}", &state), "app/golden/startup-default-bench.txt");
  EXPECT_TRUE(state.TargetNotConfigured);
  ExpectGolden(StartAndStop(R"({"target": {"configured": true}})", &state),
               "app/golden/startup-configured-target.txt");
  EXPECT_FALSE(state.TargetNotConfigured);
}

}  // namespace
}  // namespace halyard
