// The control registry: each control named once with a state of its own.
#include <gtest/gtest.h>

#include <set>

#include "ControlStates.h"
#include "app/ControlRegistry.h"
#include "support/TestStation.h"

namespace halyard {
namespace {

using testing::Compare;
using testing::States;

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
  }
  EXPECT_EQ(FindControl("Command2", 5), nullptr);
  EXPECT_EQ(FindControl("Command2"), nullptr);
}

}  // namespace
}  // namespace halyard
