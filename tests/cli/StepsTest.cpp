// Parsing of halyardctl's steps: a typo or an out-of-range value must be refused, never read
// as some other action.
#include "cli/Steps.h"

#include <gtest/gtest.h>

namespace halyard::cli {
namespace {

TEST(StepsTest, ValuesAtTheirLimitsAndPathsAreTaken) {
  struct Case {
    const char* text;
    StepKind kind;
    int value;
    const char* path;
  };
  for (const Case& c :
       {Case{"tab=0", StepKind::kTab, 0, ""}, Case{"tab=3", StepKind::kTab, 3, ""},
        Case{"fine=0", StepKind::kFine, 0, ""}, Case{"fine=255", StepKind::kFine, 255, ""},
        Case{"gross=255", StepKind::kGross, 255, ""},
        Case{"auto-update=2", StepKind::kAutoUpdate, 2, ""},
        Case{"fine=007", StepKind::kFine, 7, ""},
        // A path keeps all after the first '='; clearing the box is an action too.
        Case{"srec=.\\fw\\a=b.srec", StepKind::kSrec, 0, ".\\fw\\a=b.srec"},
        Case{"trim-srec=", StepKind::kTrimSrec, 0, ""}}) {
    SCOPED_TRACE(c.text);
    Step step;
    std::string error;
    ASSERT_TRUE(ParseStep(c.text, step, error)) << error;
    EXPECT_EQ(step.kind, c.kind);
    EXPECT_EQ(step.value, c.value);
    EXPECT_EQ(step.path, c.path);
    EXPECT_EQ(step.text, c.text);
  }
}

TEST(StepsTest, BadValuesAndUnknownNamesAreRefusedWithTheStepNamed) {
  // clang-format off
  const char* const refused[] = {
      "tab=4", "tab=-1", "tab=", "tab", "tab=1x", "fine=256", "fine=+1", "fine= 1", "fine=1.5",
      "fine=0x10", "gross=99999999999", "auto-update=3", "state=1", "run-all=1", "srec",
      "trim-srec", "runall", "Run-All", "", "=1"};
  // clang-format on
  for (const char* text : refused) {
    SCOPED_TRACE(text);
    Step step;
    step.text = "untouched";
    std::string error;
    EXPECT_FALSE(ParseStep(text, step, error));
    EXPECT_EQ(step.text, "untouched");
    EXPECT_NE(error.find("'" + std::string(text) + "'"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
  }
  // One bad step rejects the whole list.
  std::vector<Step> steps(1);
  std::string error;
  EXPECT_FALSE(ParseSteps({"configure", "run-all", "fine=300", "state"}, steps, error));
  EXPECT_NE(error.find("fine=300"), std::string::npos);
  EXPECT_EQ(steps.size(), 1u);
}

TEST(StepsTest, TestStepsMapToTheirButtonsAndHelpNamesEveryStep) {
  std::vector<Step> steps;
  std::string error;
  ASSERT_TRUE(ParseSteps(
      {"version-test", "smbus-test", "i2c-test", "swb-test", "run-all", "configure", "trim-update"},
      steps, error))
      << error;
  for (size_t i = 0; i < steps.size(); ++i)
    EXPECT_EQ(TestIndex(steps[i].kind), i < 5 ? static_cast<int>(i) : -1) << steps[i].text;
  const std::string help = StepHelp();
  for (const StepSyntax& syntax : StepTable())
    EXPECT_NE(help.find("  " + std::string(syntax.name)), std::string::npos) << syntax.name;
}

}  // namespace
}  // namespace halyard::cli
