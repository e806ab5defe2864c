// The action table: one row per operator action.
#include "assembly/Actions.h"

#include <algorithm>
#include <array>
#include <string>

#include "assembly/Station.h"

namespace halyard {

namespace {

// Each handler reaches the Form1 entry point the operator's widget reaches.
template <bool (Form1::*kClick)()>
bool Click(Station& s, const ActionInput&) {
  return (s.Form().*kClick)();
}
template <int16_t kIndex>
bool ClickTest(Station& s, const ActionInput&) {
  return s.Form().Command2_Click(kIndex);
}
template <bool (Form1::*kMove)(int16_t)>
bool Move(Station& s, const ActionInput& input) {
  return (s.Form().*kMove)(input.value);
}
// Edits start nothing and are always taken.
template <void (Form1::*kEdit)(const std::string&)>
bool Edit(Station& s, const ActionInput& input) {
  (s.Form().*kEdit)(std::string(input.text));
  return true;
}
bool SetAutoUpdate(Station& s, const ActionInput& input) {
  s.Form().SetAutoUpdate(input.value);
  return true;
}
// The search drives the bars and the buttons itself.
template <bool kStore>
bool RunAutoTrim(Station& s, const ActionInput&) {
  s.AutoTrimmer().Run(kStore);
  return true;
}

using V = ActionValue::Kind;
constexpr ActionValue kNone{};
constexpr ActionValue kBar{V::kInteger, 0, 255, "=V"};
constexpr ActionValue kPath{V::kText, 0, 0, "=PATH"};
constexpr unsigned kTests = kMeasuredTests;
constexpr unsigned kRunAll = kMeasuredTests | kMeasuredVersion | kMeasuredRunCount;
constexpr unsigned kTrim = kMeasuredTrim;
constexpr unsigned kUpdate =
    kMeasuredTrim | kMeasuredRow | kMeasuredAutoUpdate | kMeasuredProgramming | kMeasuredPassCount;

// clang-format off
constexpr std::array kActions{
    ActionRow{"tab", "", "SSTab1", -1, -1, "", false, 0, {V::kInteger, 0, 3, "=N"},
              "the operator selects tab N (0 Programming, 1 Test, 2 SetUp, 3 Trim); the guard runs",
              Move<&Form1::SelectTab>},
    ActionRow{"version-test", "Version Test", "Command2", 0, kTabTest, "Ctrl+1", true,
              kTests | kMeasuredVersion, kNone, "\"Version Test\" button", ClickTest<0>},
    ActionRow{"smbus-test", "SMBus Test", "Command2", 1, kTabTest, "Ctrl+2", true, kTests, kNone,
              "\"SMBus Test\" button", ClickTest<1>},
    ActionRow{"i2c-test", "I2C Test", "Command2", 2, kTabTest, "Ctrl+3", true, kTests, kNone,
              "\"I2C Test\" button", ClickTest<2>},
    ActionRow{"swb-test", "SWB Test", "Command2", 3, kTabTest, "Ctrl+4", true, kTests, kNone,
              "\"SWB Test\" button", ClickTest<3>},
    ActionRow{"run-all", "Run All", "Command2", kRunAllIndex, kTabTest, "F5", true, kRunAll, kNone,
              "\"Run All\" button", ClickTest<kRunAllIndex>},
    ActionRow{"configure", "Configure", "Command1", -1, kTabSetUp, "Ctrl+G", true, kMeasuredTarget,
              kNone, "\"Configure Test Target\" button", Click<&Form1::Command1_Click>},
    ActionRow{"program", "Programming", "Program", -1, kTabProgramming, "Ctrl+P", true,
              kMeasuredProgramming | kMeasuredPassCount, kNone, "\"Program\" button",
              Click<&Form1::Program_Click>},
    ActionRow{"srec", "", "SREC_Name", -1, kTabProgramming, "", false, 0, kPath,
              "the operator types PATH into SREC_Name", Edit<&Form1::SetSrecName>},
    ActionRow{"trim-srec", "", "TrimFilePathAndName", -1, kTabTrim, "", false, 0, kPath,
              "the operator types PATH into TrimFilePathAndName",
              Edit<&Form1::SetTrimFilePathAndName>},
    ActionRow{"auto-update", "", "AutoUpdate", -1, kTabTrim, "", false, 0,
              {V::kInteger, 0, 2, "=V"},
              "the operator sets the AutoUpdate check box (0 unchecked, 1 checked, 2 grey)",
              SetAutoUpdate},
    ActionRow{"trim-start", "Start Trim", "StartTrim", -1, kTabTrim, "Ctrl+T", true,
              kTrim | kMeasuredProgramming, kNone, "trim \"Start\" button",
              Click<&Form1::StartTrim_Click>},
    ActionRow{"fine", "Fine adjust", "FineAdjust", -1, kTabTrim, "", true, kTrim, kBar,
              "the operator moves FineAdjust to V", Move<&Form1::MoveFineAdjust>},
    ActionRow{"gross", "Gross adjust", "GrossAdjust", -1, kTabTrim, "", true, kTrim, kBar,
              "the operator moves GrossAdjust to V", Move<&Form1::MoveGrossAdjust>},
    ActionRow{"trim-read", "Read Trim", "RsvFlashRd", -1, kTabTrim, "Ctrl+R", true,
              kTrim | kMeasuredRow, kNone, "\"Read Trim\" button",
              Click<&Form1::RsvFlashRd_Click>},
    ActionRow{"trim-update", "Update Trim", "Update", -1, kTabTrim, "Ctrl+U", true, kUpdate, kNone,
              "\"Update Trim\" button", Click<&Form1::Update_Click>},
    ActionRow{"trim-auto", "Auto Trim", "", -1, kTabTrim, "", true, kTrim | kMeasuredAutoTrim,
              kNone, "automatic trim with the frequency counter; the bars end on the chosen code",
              RunAutoTrim<false>},
    ActionRow{"trim-auto=store", "Auto Trim", "", -1, kTabTrim, "", true,
              kUpdate | kMeasuredAutoTrim, kNone,
              "automatic trim, then \"Update Trim\" and a read-back of the stored trim",
              RunAutoTrim<true>},
};
// clang-format on

}  // namespace

std::span<const ActionRow> ActionTable() {
  return kActions;
}

const ActionRow* FindAction(std::string_view name) {
  const auto it =
      std::ranges::find_if(kActions, [name](const ActionRow& r) { return r.name == name; });
  return it == kActions.end() ? nullptr : &*it;
}

const ActionRow* ActionOfControl(std::string_view control, int index) {
  const auto it = std::ranges::find_if(kActions, [&](const ActionRow& r) {
    return !r.control.empty() && r.control == control && r.index == index;
  });
  return it == kActions.end() ? nullptr : &*it;
}

bool IsAutoTrim(const ActionRow& row) {
  return (row.measured & kMeasuredAutoTrim) != 0;
}

}  // namespace halyard
