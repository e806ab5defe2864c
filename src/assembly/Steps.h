// Steps: operator actions written as text, as halyardctl's command line and a line's sequence
// write them. Each is one operator action of the action table (assembly/Actions.h), or one of a
// session's own (printing the window, scanning a serial). Every step is checked before anything
// runs, so a typo never leaves a half-run station behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "assembly/Actions.h"

namespace halyard {

// A session's own steps, which are no action of the window.
enum class OwnStep { kNone, kState, kSerial };

// One step as written: its name, the value it takes and its help, and what it is.
struct StepSyntax {
  std::string_view name;
  ActionValue value;
  std::string_view help;
  const ActionRow* action = nullptr;  // the window's action; null for one of halyardctl's own
  OwnStep own = OwnStep::kNone;
};

struct Step {
  std::string text;                    // as given on the command line
  const StepSyntax* syntax = nullptr;  // its row of the step table
  int value = 0;                       // tab=, auto-update=, fine=, gross=
  std::string path;                    // srec=, trim-srec=, serial=
};

// False with a one-line reason when `text` is not a step or its value is out of range.
bool ParseStep(const std::string& text, Step& step, std::string& error);
// Parses every step; stops at the first bad one.
bool ParseSteps(const std::vector<std::string>& texts, std::vector<Step>& steps,
                std::string& error);

// One line per step for the help text: "  tab=N  the operator selects tab N ...".
std::string StepHelp();

}  // namespace halyard
