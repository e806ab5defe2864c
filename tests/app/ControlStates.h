// A control's state in two windows, compared through the registry's entry for it.
#pragma once

#include <type_traits>
#include <variant>

#include "app/ControlRegistry.h"

namespace halyard::testing {

// An entry's state in two windows: whether the two are equal, where the first lies (null for a
// control without state) and whether it is an element of a control array.
struct States {
  bool same = true;
  const void* address = nullptr;
  bool inArray = false;
};

inline States Compare(const ControlEntry& entry, const FormControls& a, const FormControls& b) {
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

}  // namespace halyard::testing
