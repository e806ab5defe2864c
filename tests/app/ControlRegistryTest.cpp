// The control registry: each control named once with a state of its own.
#include <gtest/gtest.h>

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
  }
  EXPECT_EQ(FindControl("Command2", 5), nullptr);
  EXPECT_EQ(FindControl("Command2"), nullptr);
}

}  // namespace
}  // namespace halyard
