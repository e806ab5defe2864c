// The control registry: each control named once with a state of its own, and each handler
// reaching the Form1 entry point the operator's action on that control means.
#include <gtest/gtest.h>

#include <functional>
#include <set>

#include "app/ControlRegistry.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

// An entry's state in two windows: whether the two are equal, where the first lies (null for a
// control without state) and whether it is an element of a control array.
struct States {
  bool same = true;
  const void* address = nullptr;
  bool inArray = false;
};
States Compare(const ControlEntry& entry, const FormControls& a, const FormControls& b) {
  return std::visit(
      [&]<typename In>(const In& in) {
        if constexpr (std::is_same_v<In, std::monostate>) {
          return States{};
        } else {
          const auto* state = StateOf<typename In::Type>(entry, a);
          return States{*state == *StateOf<typename In::Type>(entry, b), state,
                        in.array != nullptr};
        }
      },
      entry.state);
}

TEST(ControlRegistry, EachControlIsNamedOnceAndHoldsAStateOfItsOwn) {
  const FormControls controls;
  std::set<std::string> keys;
  std::set<const void*> states;
  const auto registry = ControlRegistry();
  for (const ControlEntry& entry : registry) {
    const std::string key = ControlKey(entry.name, entry.index);
    SCOPED_TRACE(key);
    EXPECT_TRUE(keys.insert(key).second) << "named twice";
    EXPECT_EQ(FindControl(entry.name, entry.index), &entry);
    // An index picks an element of a control array, and only there.
    const States of = Compare(entry, controls, controls);
    EXPECT_EQ(entry.index >= 0, of.inArray);
    EXPECT_LT(entry.index, static_cast<int>(kControlArraySize));
    // halyardctl writes a control array as one JSON array: its rows come together, in order.
    if (entry.index > 0) {
      const ControlEntry& previous = registry[static_cast<size_t>(&entry - registry.data()) - 1];
      EXPECT_EQ(ControlKey(previous.name, previous.index), ControlKey(entry.name, entry.index - 1));
    }
    // Two rows reading one member would show one control's state in another's place.
    const void* state = of.address;
    if (state != nullptr) {
      EXPECT_TRUE(states.insert(state).second) << "state shared";
    }
    // Only labels and frames can be static: everything else is operated, or shows a value.
    const bool operable = entry.kind != ControlKind::kLabel && entry.kind != ControlKind::kFrame;
    EXPECT_TRUE(!operable || state != nullptr);
    EXPECT_TRUE(entry.handler == nullptr || operable);
  }
  EXPECT_EQ(FindControl("Command2", 5), nullptr);
  EXPECT_EQ(FindControl("Command2"), nullptr);
}

// Each handler does what calling its entry point directly does on an identical station: the
// same bus lines, message boxes and window state, and the same answer.
TEST(ControlRegistry, EachHandlerReachesItsEntryPoint) {
  struct Case {
    const char* name;
    int index;
    ControlInput input;
    std::function<bool(Form1&)> entryPoint;
  };
  // clang-format off
  const std::vector<Case> cases{
      {"SSTab1", -1, {3, {}}, [](Form1& f) { return f.SelectTab(3); }},
      {"SSTab1", -1, {1, {}}, [](Form1& f) { return f.SelectTab(1); }},  // the guard runs
      {"SREC_Name", -1, {0, "x.srec"}, [](Form1& f) { f.SetSrecName("x.srec"); return true; }},
      {"TrimFilePathAndName", -1, {0, "t.srec"}, [](Form1& f) { f.SetTrimFilePathAndName("t.srec"); return true; }},
      {"AutoUpdate", -1, {2, {}}, [](Form1& f) { f.SetAutoUpdate(2); return true; }},
      {"FineAdjust", -1, {100, {}}, [](Form1& f) { return f.MoveFineAdjust(100); }},
      {"GrossAdjust", -1, {100, {}}, [](Form1& f) { return f.MoveGrossAdjust(100); }},
      {"Program", -1, {}, [](Form1& f) { return f.Program_Click(); }},
      {"Command2", 0, {}, [](Form1& f) { return f.Command2_Click(0); }},
      {"Command2", 1, {}, [](Form1& f) { return f.Command2_Click(1); }},
      {"Command2", 2, {}, [](Form1& f) { return f.Command2_Click(2); }},
      {"Command2", 3, {}, [](Form1& f) { return f.Command2_Click(3); }},
      {"Command2", 4, {}, [](Form1& f) { return f.Command2_Click(4); }},
      {"Command1", -1, {}, [](Form1& f) { return f.Command1_Click(); }},
      {"StartTrim", -1, {}, [](Form1& f) { return f.StartTrim_Click(); }},
      {"Update", -1, {}, [](Form1& f) { return f.Update_Click(); }},
      {"RsvFlashRd", -1, {}, [](Form1& f) { return f.RsvFlashRd_Click(); }}};
  // clang-format on
  std::set<std::string> covered;
  for (const Case& c : cases) {
    const std::string key = ControlKey(c.name, c.index);
    SCOPED_TRACE(key);
    const ControlEntry* entry = FindControl(c.name, c.index);
    ASSERT_NE(entry, nullptr);
    ASSERT_NE(entry->handler, nullptr);
    covered.insert(key);
    testing::TestStation viaRegistry;
    testing::TestStation direct;
    const FormControls before = direct.controls();
    EXPECT_EQ(entry->handler(viaRegistry.form(), entry->index, c.input),
              c.entryPoint(direct.form()));
    const std::vector<std::string> trace = direct.TakeTrace();
    EXPECT_EQ(viaRegistry.TakeTrace(), trace);
    EXPECT_EQ(viaRegistry.dialogs.messages, direct.dialogs.messages);
    bool changed = !trace.empty();
    for (const ControlEntry& other : ControlRegistry()) {
      EXPECT_TRUE(Compare(other, viaRegistry.controls(), direct.controls()).same)
          << ControlKey(other.name, other.index) << " differs";
      changed = changed || !Compare(other, before, direct.controls()).same;
    }
    EXPECT_TRUE(changed) << "the case shows nothing a wrong entry point would not also do";
  }
  for (const ControlEntry& entry : ControlRegistry()) {
    if (entry.handler != nullptr) {
      EXPECT_TRUE(covered.contains(ControlKey(entry.name, entry.index)))
          << ControlKey(entry.name, entry.index) << " has a handler no case checks";
    }
  }
}

}  // namespace
}  // namespace halyard
