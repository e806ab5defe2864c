// The operator's actions, each described once: its name (halyardctl's step and the record's
// action), how the status line names it, the window's control and shortcut that start it, whether
// it is recorded and what it measures, the value it takes, and what carries it out. The window,
// halyardctl, the records and the status line all read this table; adding an action is one row
// here and its handler.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace halyard {

class Station;

// What the operator hands an action: a bar's, the check box's or the tab bar's new value, or a
// text box's new text.
struct ActionInput {
  int16_t value = 0;
  std::string_view text;
};

// The value halyardctl's step takes: none, a whole number in a range, or a text.
struct ActionValue {
  enum class Kind { kNone, kInteger, kText } kind = Kind::kNone;
  int min = 0;
  int max = 0;
  std::string_view name;  // as the help writes it: "=N", "=V", "=PATH"
};

struct ActionRow {
  std::string_view name;      // halyardctl's step and the record's action: "run-all"
  std::string_view title;     // as the status line names it: "Run All"
  std::string_view control;   // the window's control that starts it (its registry name and
  int index;                  // index); "" when no control of the tabs does
  int16_t tab;                // the tab its control sits on, where its shortcut works; -1: none
  std::string_view shortcut;  // a QKeySequence's portable text; "" for none
  bool recorded;              // an action with a verdict, which leaves a record; else an edit
  unsigned measured;          // the Measured kinds its result holds (station/ActionResult.h)
  ActionValue value;
  std::string_view help;  // halyardctl's line of help
  // Carries the action out as the operator's hand would; false when the window ignored it
  // because an operation was still running.
  bool (*perform)(Station& station, const ActionInput& input);
};

std::span<const ActionRow> ActionTable();
// The row named `name`; null when there is none.
const ActionRow* FindAction(std::string_view name);
// The row the window's control starts; null for a control that starts none.
const ActionRow* ActionOfControl(std::string_view control, int index);
// True when the action is the automatic trim, whose verdict and report are the search's.
bool IsAutoTrim(const ActionRow& row);

}  // namespace halyard
