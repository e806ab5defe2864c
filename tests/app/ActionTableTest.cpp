// The action table: each action named once, started by a control the registry knows, and carried
// out by reaching the Form1 entry point that the operator's hand on that control reaches.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

#include "ControlStates.h"
#include "app/ControlRegistry.h"
#include "assembly/Actions.h"
#include "station/ActionResult.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

TEST(ActionTable, EachActionIsNamedOnceAndStartedByAControlOnItsTab) {
  std::set<std::string_view> names;
  std::set<std::string> controls;
  std::set<std::string_view> shortcuts;
  for (const ActionRow& row : ActionTable()) {
    SCOPED_TRACE(std::string(row.name));
    EXPECT_TRUE(names.insert(row.name).second) << "named twice";
    EXPECT_EQ(FindAction(row.name), &row);
    // A recorded action is told on the status line by its title; an edit has none.
    EXPECT_EQ(row.recorded, !row.title.empty());
    EXPECT_EQ(row.measured != 0, row.recorded);
    if (!row.shortcut.empty()) EXPECT_TRUE(shortcuts.insert(row.shortcut).second);
    if (row.control.empty()) continue;
    const ControlEntry* entry = FindControl(row.control, row.index);
    ASSERT_NE(entry, nullptr) << "no such control";
    EXPECT_NE(entry->kind, ControlKind::kLabel);
    EXPECT_TRUE(controls.insert(ControlKey(row.control, row.index)).second)
        << "two actions on one control";
    EXPECT_EQ(ActionOfControl(row.control, row.index), &row);
  }
  EXPECT_EQ(ActionOfControl("Label6", 0), nullptr);
  EXPECT_EQ(FindAction("no-such-step"), nullptr);
}

// Each action does what calling its entry point directly does on an identical station: the
// same bus lines, message boxes and window state, and the same answer.
TEST(ActionTable, EachActionReachesItsEntryPoint) {
  struct Case {
    const char* name;
    ActionInput input;
    std::function<bool(Form1&)> entryPoint;
  };
  // clang-format off
  const std::vector<Case> cases{
      {"tab", {3, {}}, [](Form1& f) { return f.SelectTab(3); }},
      {"srec", {0, "x.srec"}, [](Form1& f) { f.SetSrecName("x.srec"); return true; }},
      {"trim-srec", {0, "t.srec"}, [](Form1& f) { f.SetTrimFilePathAndName("t.srec"); return true; }},
      {"auto-update", {2, {}}, [](Form1& f) { f.SetAutoUpdate(2); return true; }},
      {"fine", {100, {}}, [](Form1& f) { return f.MoveFineAdjust(100); }},
      {"gross", {100, {}}, [](Form1& f) { return f.MoveGrossAdjust(100); }},
      {"program", {}, [](Form1& f) { return f.Program_Click(); }},
      {"version-test", {}, [](Form1& f) { return f.Command2_Click(0); }},
      {"smbus-test", {}, [](Form1& f) { return f.Command2_Click(1); }},
      {"i2c-test", {}, [](Form1& f) { return f.Command2_Click(2); }},
      {"swb-test", {}, [](Form1& f) { return f.Command2_Click(3); }},
      {"run-all", {}, [](Form1& f) { return f.Command2_Click(4); }},
      {"configure", {}, [](Form1& f) { return f.Command1_Click(); }},
      {"trim-start", {}, [](Form1& f) { return f.StartTrim_Click(); }},
      {"trim-update", {}, [](Form1& f) { return f.Update_Click(); }},
      {"trim-read", {}, [](Form1& f) { return f.RsvFlashRd_Click(); }}};
  // clang-format on
  std::set<std::string_view> covered;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ActionRow* row = FindAction(c.name);
    ASSERT_NE(row, nullptr);
    covered.insert(row->name);
    testing::TestStation viaTable;
    testing::TestStation direct;
    const FormControls before = direct.controls();
    EXPECT_EQ(viaTable.station().Perform(*row, c.input), c.entryPoint(direct.form()));
    const std::vector<std::string> trace = direct.TakeTrace();
    // A recorded action's calls are its result's; an edit's stay with the station.
    EXPECT_EQ(row->recorded ? viaTable.station().LastResult().TraceLines() : viaTable.TakeTrace(),
              trace);
    EXPECT_EQ(viaTable.dialogs.messages, direct.dialogs.messages);
    bool changed = !trace.empty();
    for (const ControlEntry& entry : ControlRegistry()) {
      const auto same = [&](const FormControls& a, const FormControls& b) {
        return testing::Compare(entry, a, b).same;
      };
      EXPECT_TRUE(same(viaTable.controls(), direct.controls()))
          << ControlKey(entry.name, entry.index) << " differs";
      changed = changed || !same(before, direct.controls());
    }
    EXPECT_TRUE(changed) << "the case shows nothing a wrong entry point would not also do";
  }
  for (const ActionRow& row : ActionTable()) {
    if (!row.control.empty())
      EXPECT_TRUE(covered.contains(row.name))
          << row.name << " is started by a control no case checks";
  }
}

// Whether `result` holds a measurement of `kind`.
bool Holds(const ActionResult& result, unsigned kind) {
  const Measurements& m = result.measurements;
  switch (kind) {
    case kMeasuredTests:
      return !m.tests.empty();
    case kMeasuredVersion:
      return m.version.has_value();
    case kMeasuredRunCount:
      return m.runAllPasses.has_value();
    case kMeasuredTarget:
      return m.target.has_value();
    case kMeasuredProgramming:
      return !m.programmingStatuses.empty();
    case kMeasuredTrim:
      return m.trim.has_value();
    case kMeasuredRow:
      return m.row.has_value();
    case kMeasuredAutoUpdate:
      return m.autoUpdate.has_value();
    case kMeasuredPassCount:
      return m.programPassCount.has_value();
    case kMeasuredAutoTrim:
      return m.autoTrim.has_value();
    default:
      return false;
  }
}

// Each recorded action, run to its end on the bench, holds exactly the measurements its row
// names: a panel that forgot one, or filled another action's, would show in its records.
TEST(ActionTable, EachRecordedActionFillsTheMeasurementsItsRowNames) {
  for (const ActionRow& row : ActionTable()) {
    if (!row.recorded) continue;
    SCOPED_TRACE(std::string(row.name));
    testing::TestStation station;
    // The tests need a configured target, the trim actions the trim firmware, the update a row
    // to rewrite and the reprogramming it may do.
    station.form().Command1_Click();
    if (row.tab == kTabTrim && row.name != "trim-start") station.form().StartTrim_Click();
    if (row.name == "trim-update") station.form().SetAutoUpdate(1);
    ASSERT_TRUE(station.station().Perform(row, {100, {}}));
    const ActionResult& result = station.station().LastResult();
    EXPECT_TRUE(result.passed) << result.reason.text;
    EXPECT_EQ(result.action, row.name);
    EXPECT_FALSE(result.calls.empty());
    // Programming is measured only when the action programmed: the automatic trim's update
    // does not reprogram here, as "Auto update" stays unchecked for it.
    const bool programmed = std::ranges::any_of(
        result.calls, [](const BusCall& call) { return call.op == Operation::kProgramSrec; });
    for (unsigned kind = kMeasuredTests; kind <= kMeasuredAutoTrim; kind <<= 1) {
      const bool expected =
          (row.measured & kind) != 0 && (kind != kMeasuredProgramming || programmed);
      EXPECT_EQ(Holds(result, kind), expected) << "measurement kind " << kind;
    }
  }
}

}  // namespace
}  // namespace halyard
