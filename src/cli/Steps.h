// The steps of halyardctl's command line: each is one operator action on the window. Every
// step is checked before anything runs, so a typo never leaves a half-run station behind.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace halyard::cli {

enum class StepKind {
  kTab,          // tab=N: the operator selects tab N; the tab guard runs
  kState,        // state: print the whole window state
  kVersionTest,  // the five Command2 buttons, in their index order
  kSmbusTest,
  kI2cTest,
  kSwbTest,
  kRunAll,
  kConfigure,      // Command1
  kProgram,        // Program
  kSrec,           // srec=PATH: the operator edits SREC_Name
  kTrimSrec,       // trim-srec=PATH: the operator edits TrimFilePathAndName
  kAutoUpdate,     // auto-update=0|1|2
  kTrimStart,      // StartTrim
  kFine,           // fine=V: the operator moves FineAdjust to V
  kGross,          // gross=V
  kTrimRead,       // RsvFlashRd
  kTrimUpdate,     // Update
  kSerial,         // serial=TEXT: the operator scans a unit's serial; later records carry it
  kTrimAuto,       // the automatic trim; the bars end on the chosen code
  kTrimAutoStore,  // trim-auto=store: the same, then Update Trim and the read-back of byte 30
};

struct Step {
  std::string text;  // as given on the command line
  StepKind kind = StepKind::kState;
  int value = 0;     // tab=, auto-update=, fine=, gross=
  std::string path;  // srec=, trim-srec=, serial=
};

// How a step is written and what value it takes; the table drives parsing and the help text.
struct StepSyntax {
  std::string_view name;
  StepKind kind;
  enum class Value { kNone, kInteger, kText } value;
  int min = 0;
  int max = 0;
  std::string_view help;
  bool hasVerdict = false;  // an operator action, passed or failed; edits and views have none
};

const std::vector<StepSyntax>& StepTable();

// False with a one-line reason when `text` is not a step or its value is out of range.
bool ParseStep(const std::string& text, Step& step, std::string& error);
// Parses every step; stops at the first bad one.
bool ParseSteps(const std::vector<std::string>& texts, std::vector<Step>& steps,
                std::string& error);

// True for the automatic trim's steps, whose verdict is the search's, not the window's.
bool IsAutoTrim(StepKind kind);

// True for the steps that are operator actions with a verdict.
bool HasVerdict(StepKind kind);

// The Command2 index of a test step, or -1 for any other step.
int TestIndex(StepKind kind);

// One line per step for the help text: "  tab=N  the operator selects tab N ...".
std::string StepHelp();

}  // namespace halyard::cli
