// The control registry: every control of the station's window described once, by its name and
// index, its kind, where its state lives in FormControls and what halyardctl reports of it. The
// Qt window builds and refreshes its widgets from it; halyardctl prints the window from it; the
// action table (assembly/Actions.h) names the control that starts each action. Adding a control
// is one row in ControlRegistry.cpp and one row in the window's layout (ui/Layout.cpp), besides
// the member of FormControls that holds the state of a control Form1 changes.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

#include "station/Controls.h"

namespace halyard {

enum class ControlKind { kFrame, kLabel, kButton, kTextBox, kCheckBox, kVScrollBar, kTabControl };

// What halyardctl reports of a control: nothing; its value (a label's caption, a text box's text,
// a bar's or check box's value, the selected tab); or a label's caption and both its colours.
enum class Report { kNone, kValue, kValueAndColours };

// Where a control's state lives in FormControls: a member of its own, or the element of a
// control array that the entry's index picks.
template <typename State>
struct StateIn {
  using Type = State;
  State FormControls::*member = nullptr;
  std::array<State, kControlArraySize> FormControls::*array = nullptr;
};

// No state (std::monostate) for a static control, whose caption Form1 never changes.
using ControlState =
    std::variant<std::monostate, StateIn<FrameState>, StateIn<LabelState>, StateIn<ButtonState>,
                 StateIn<TextBoxState>, StateIn<CheckBoxState>, StateIn<ScrollBarState>,
                 StateIn<TabControlState>>;

struct ControlEntry {
  const char* name;
  int index;  // place in a control array, -1 for a single control
  ControlKind kind;
  ControlState state;
  const char* caption;  // a static control's caption; the others start at their FormControls value
  Report report = Report::kNone;
};

// Every control, those halyardctl reports first and in the order of its "form" object.
std::span<const ControlEntry> ControlRegistry();

// The entry of Command2(4) is FindControl("Command2", 4); null when there is none.
const ControlEntry* FindControl(std::string_view name, int index = -1);

// "Command2(4)" for an element of a control array, else the bare name.
std::string ControlKey(std::string_view name, int index = -1);

// The caption or text a control shows before Form1 first changes it.
std::string DesignCaption(const ControlEntry& entry);

// The control's state in `controls` (FormControls, const or not); null when the control holds
// no state of that type.
template <typename State, typename Controls>
requires std::is_same_v<std::remove_const_t<Controls>, FormControls>
auto* StateOf(const ControlEntry& entry, Controls& controls) {
  using Result = std::conditional_t<std::is_const_v<Controls>, const State, State>;
  const auto* in = std::get_if<StateIn<State>>(&entry.state);
  if (in == nullptr) return static_cast<Result*>(nullptr);
  if (in->member != nullptr) return &(controls.*(in->member));
  return &(controls.*(in->array))[static_cast<size_t>(entry.index)];
}

}  // namespace halyard
