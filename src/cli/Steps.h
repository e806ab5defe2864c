// The steps of halyardctl's command line: each is one operator action on the window. Every
// step is checked before anything runs, so a typo never leaves a half-run station behind.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "station/AutoTrimReport.h"
#include "station/Verdict.h"

namespace halyard {
class Form1;
class Station;
}  // namespace halyard

namespace halyard::cli {

class SessionRecorder;
struct StepSyntax;

struct Step {
  std::string text;                    // as given on the command line
  const StepSyntax* syntax = nullptr;  // its row of the step table
  int value = 0;                       // tab=, auto-update=, fine=, gross=
  std::string path;                    // srec=, trim-srec=, serial=
};

// What a step acts on: the window, the station (its automatic trim) and the session's records
// (the unit serial); and what the step leaves for its report.
struct StepTarget {
  Form1& form;
  Station& station;
  SessionRecorder& recorder;
  const ActionVerdict* verdict;            // the action's verdict: the window's unless the step
                                           // points it elsewhere
  std::optional<AutoTrimReport> autoTrim;  // what an automatic trim measured
};

// One step: how it is written, what value it takes, what it does. The table drives parsing,
// the help text, the session and the records.
struct StepSyntax {
  std::string_view name;
  enum class Value { kNone, kInteger, kText } value;
  int min = 0;
  int max = 0;
  std::string_view valueName;  // in the help: "=N", "=V", "=PATH", "=TEXT"
  std::string_view help;
  bool hasVerdict = false;  // an operator action, passed or failed; edits and views have none
  bool isTest = false;      // a Command2 button: its JSON line also keeps the "passed" key
  bool printsState = false;
  // Carries the step out as the operator's action would; false when the window ignored it
  // (an operation was still running).
  bool (*perform)(StepTarget& target, const Step& step) = nullptr;
};

const std::vector<StepSyntax>& StepTable();

// False with a one-line reason when `text` is not a step or its value is out of range.
bool ParseStep(const std::string& text, Step& step, std::string& error);
// Parses every step; stops at the first bad one.
bool ParseSteps(const std::vector<std::string>& texts, std::vector<Step>& steps,
                std::string& error);

// One line per step for the help text: "  tab=N  the operator selects tab N ...".
std::string StepHelp();

}  // namespace halyard::cli
