// Parsing of halyardctl's steps: a typo or an out-of-range value must be refused, never read
// as some other action.
#include "cli/Steps.h"

#include <gtest/gtest.h>

namespace halyard::cli {
namespace {

TEST(StepsTest, ValuesAtTheirLimitsAreTaken) {
  struct Case {
    const char* text;
    StepKind kind;
    int value;
  };
  for (const Case& c :
       {Case{"tab=0", StepKind::kTab, 0}, Case{"tab=3", StepKind::kTab, 3},
        Case{"fine=0", StepKind::kFine, 0}, Case{"fine=255", StepKind::kFine, 255},
        Case{"gross=255", StepKind::kGross, 255}, Case{"auto-update=2", StepKind::kAutoUpdate, 2},
        Case{"fine=007", StepKind::kFine, 7}}) {
    Step step;
    std::string error;
    ASSERT_TRUE(ParseStep(c.text, step, error)) << c.text << ": " << error;
    EXPECT_EQ(step.kind, c.kind) << c.text;
    EXPECT_EQ(step.value, c.value) << c.text;
    EXPECT_EQ(step.text, c.text);
  }
}

TEST(StepsTest, BadValuesAndUnknownNamesAreRefusedWithTheStepNamed) {
  for (const char* text : {"tab=4",
                           "tab=-1",
                           "tab=",
                           "tab",
                           "tab=1x",
                           "fine=256",
                           "fine=+1",
                           "fine= 1",
                           "fine=1.5",
                           "fine=0x10",
                           "gross=99999999999",
                           "auto-update=3",
                           "state=1",
                           "run-all=1",
                           "srec",
                           "trim-srec",
                           "runall",
                           "Run-All",
                           "",
                           "=1"}) {
    Step step;
    step.text = "untouched";
    std::string error;
    EXPECT_FALSE(ParseStep(text, step, error)) << text;
    EXPECT_EQ(step.text, "untouched") << text;
    EXPECT_NE(error.find("'" + std::string(text) + "'"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
}

TEST(StepsTest, PathsKeepEverythingAfterTheFirstEquals) {
  Step step;
  std::string error;
  ASSERT_TRUE(ParseStep("srec=.\\fw\\a=b.srec", step, error)) << error;
  EXPECT_EQ(step.kind, StepKind::kSrec);
  EXPECT_EQ(step.path, ".\\fw\\a=b.srec");
  // Clearing the text box is an operator action too.
  ASSERT_TRUE(ParseStep("trim-srec=", step, error)) << error;
  EXPECT_EQ(step.kind, StepKind::kTrimSrec);
  EXPECT_EQ(step.path, "");
}

TEST(StepsTest, OneBadStepRejectsTheWholeList) {
  std::vector<Step> steps(1);
  std::string error;
  EXPECT_FALSE(ParseSteps({"configure", "run-all", "fine=300", "state"}, steps, error));
  EXPECT_NE(error.find("fine=300"), std::string::npos);
  EXPECT_EQ(steps.size(), 1u);  // untouched

  ASSERT_TRUE(ParseSteps({"run-all", "run-all", "tab=1"}, steps, error)) << error;
  ASSERT_EQ(steps.size(), 3u);
  EXPECT_EQ(steps[1].kind, StepKind::kRunAll);
  EXPECT_EQ(steps[2].value, 1);
}

TEST(StepsTest, TestStepsMapToTheirButtonsAndOthersToNone) {
  std::vector<Step> steps;
  std::string error;
  ASSERT_TRUE(
      ParseSteps({"version-test", "smbus-test", "i2c-test", "swb-test", "run-all"}, steps, error));
  for (size_t i = 0; i < steps.size(); ++i) {
    EXPECT_EQ(TestIndex(steps[i].kind), static_cast<int>(i)) << steps[i].text;
  }
  for (const StepSyntax& syntax : StepTable()) {
    const bool isTest =
        syntax.name.find("test") != std::string_view::npos || syntax.name == "run-all";
    EXPECT_EQ(TestIndex(syntax.kind) >= 0, isTest) << syntax.name;
  }
}

TEST(StepsTest, HelpNamesEveryStep) {
  const std::string help = StepHelp();
  for (const StepSyntax& syntax : StepTable()) {
    EXPECT_NE(help.find("  " + std::string(syntax.name)), std::string::npos) << syntax.name;
  }
}

}  // namespace
}  // namespace halyard::cli
