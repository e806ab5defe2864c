// The record of one operator action, built from what the station shows: the window before
// and after the action, its verdict, its message boxes and its bus trace. Both front ends
// build records here, so an action measures the same in the window and in halyardctl.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "records/Record.h"
#include "station/AutoTrimReport.h"
#include "station/Controls.h"
#include "station/Verdict.h"

namespace halyard::records {

// The operator actions that have a verdict, and so a record.
enum class RecordedAction {
  kVersionTest,
  kSmbusTest,
  kI2cTest,
  kSwbTest,
  kRunAll,
  kConfigure,
  kProgram,
  kTrimStart,
  kFine,
  kGross,
  kTrimRead,
  kTrimUpdate,
  kTrimAuto,       // the automatic trim: the bars end on the chosen code
  kTrimAutoStore,  // the same, then Update Trim and the read-back of byte 30
};

// The record's "action": "version-test", "run-all", "trim-update"...
std::string_view ActionName(RecordedAction action);
std::optional<RecordedAction> ActionNamed(std::string_view name);

struct WindowSnapshot {
  FormControls controls;
  WindowState state;
};

// What a station's records share until the operator or the unit changes.
struct RecordSource {
  std::string station;
  std::string operatorName;
  std::string unit;
  std::string adapter;
  std::string software;
  std::string configSha256;
};

struct ActionOutcome {
  RecordedAction action = RecordedAction::kRunAll;
  WindowSnapshot before;
  WindowSnapshot after;
  ActionVerdict verdict;
  std::vector<RecordMessage> messages;
  std::vector<std::string> trace;          // the lines of the tracing adapter
  std::optional<AutoTrimReport> autoTrim;  // what an automatic trim measured
  std::chrono::system_clock::time_point started;
  std::chrono::system_clock::time_point ended;
};

// A complete record with a fresh id; reads the programmed images to take their digests.
Record BuildRecord(const RecordSource& source, const ActionOutcome& outcome);

// The "measurements" object, as JSON text.
std::string Measurements(const ActionOutcome& outcome);
// The image of each programming call the trace shows, with its digest.
std::vector<FirmwareImage> ProgrammedImages(const ActionOutcome& outcome);
// The name of the adapter that the trace shows opened, or "" when it shows none.
std::string OpenedAdapter(const std::vector<std::string>& trace);

}  // namespace halyard::records
