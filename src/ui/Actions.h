// The operator actions of the window's buttons and bars: which control starts which recorded
// action, the name the status line gives it and the keyboard shortcut that presses it on its
// tab. The status line's account of an action's verdict is made here too.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "app/ControlRegistry.h"
#include "records/ActionRecord.h"
#include "station/Verdict.h"

namespace halyard::ui {

struct WindowAction {
  const char* control;  // the registry's name and index
  int index;
  int tab;  // the tab the control sits on: its shortcut works there only
  records::RecordedAction action;
  const char* title;     // as the status line names the action
  const char* shortcut;  // a QKeySequence's portable text; "" for none
};

std::span<const WindowAction> WindowActions();
// The action a control starts; null for a control that starts none (edits, the tab bar).
const WindowAction* ActionOf(const ControlEntry& entry);
// The automatic trim, started by the button beside the status line rather than a tab's control.
const WindowAction& AutoTrimAction();

// The status line's account of an action that ran: "Programming passed", or "SMBus Test
// failed: status 7", a status said in words where the statuses' table knows it ("file not found
// (status 1)"), or what to do where the operator can do something about it. A reason that names
// no status (a message box's text) takes the first failed call of the action's `trace`.
std::string VerdictText(const WindowAction& action, const ActionVerdict& verdict,
                        const std::vector<std::string>& trace);

}  // namespace halyard::ui
