// Measurements from the window's controls and the bus trace, one group of keys per kind of
// thing an action measures; the action table says which groups each action has.
#include "records/ActionRecord.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <nlohmann/json.hpp>

#include "records/RecordFormat.h"
#include "records/Sha256.h"

namespace halyard::records {

namespace {

using Json = nlohmann::ordered_json;

enum Group : unsigned {
  kTests = 1,         // each test that ran: its caption, verdict and status number
  kVersion = 2,       // the adapter version read
  kRunCount = 4,      // Run All's "Succeeded" counter
  kTarget = 8,        // the target's configuration
  kProgramming = 16,  // the programming status, when the action programmed
  kTrim = 32,         // the shown trim and both bars
  kRow = 64,          // the reserved row before and after
  kAutoUpdate = 128,
  kPassCount = 256,  // the programming counter
  kAutoTrim = 512,   // the automatic trim's measurements and choice
};

// Which text box names the image an action programs.
enum class Image { kNone, kSrec, kTrim };

struct ActionInfo {
  RecordedAction action;
  std::string_view name;
  unsigned groups;
  Image image = Image::kNone;
  int firstTest = 0;  // the Command2 indexes of the tests it runs
  int lastTest = -1;
};

// clang-format off
constexpr ActionInfo kActions[] = {
    {RecordedAction::kVersionTest, "version-test", kTests | kVersion, Image::kNone, 0, 0},
    {RecordedAction::kSmbusTest, "smbus-test", kTests, Image::kNone, 1, 1},
    {RecordedAction::kI2cTest, "i2c-test", kTests, Image::kNone, 2, 2},
    {RecordedAction::kSwbTest, "swb-test", kTests, Image::kNone, 3, 3},
    {RecordedAction::kRunAll, "run-all", kTests | kVersion | kRunCount, Image::kNone, 0, kTestCount - 1},
    {RecordedAction::kConfigure, "configure", kTarget},
    {RecordedAction::kProgram, "program", kProgramming | kPassCount, Image::kSrec},
    {RecordedAction::kTrimStart, "trim-start", kTrim | kProgramming, Image::kTrim},
    {RecordedAction::kFine, "fine", kTrim},
    {RecordedAction::kGross, "gross", kTrim},
    {RecordedAction::kTrimRead, "trim-read", kTrim | kRow},
    {RecordedAction::kTrimUpdate, "trim-update", kTrim | kRow | kAutoUpdate | kProgramming | kPassCount, Image::kSrec},
    {RecordedAction::kTrimAuto, "trim-auto", kTrim | kAutoTrim},
    {RecordedAction::kTrimAutoStore, "trim-auto=store", kTrim | kRow | kAutoTrim | kAutoUpdate | kProgramming | kPassCount, Image::kSrec},
};
// clang-format on

const ActionInfo& Info(RecordedAction action) {
  return *std::find_if(std::begin(kActions), std::end(kActions),
                       [action](const ActionInfo& info) { return info.action == action; });
}

// A caption the station wrote as a number, or null (the version test shows no status).
Json Number(const std::string& caption) {
  int value = 0;
  const char* end = caption.data() + caption.size();
  if (caption.empty() || std::from_chars(caption.data(), end, value).ptr != end) return nullptr;
  return value;
}

// The status after a trace line's "->", if the line is of `operation`.
bool TraceStatus(const std::string& line, std::string_view operation, int& status) {
  if (!line.starts_with(std::string(operation) + " ")) return false;
  const size_t arrow = line.rfind(" -> ");
  return arrow != std::string::npos && std::sscanf(line.c_str() + arrow, " -> %d", &status) == 1;
}

// The value of `key="..."` in a trace line, undoing TraceText's escapes (\" and \xHH; any
// other backslash stands for itself).
std::string Quoted(const std::string& line, std::string_view key) {
  size_t at = line.find(std::string(key) + "=\"");
  if (at == std::string::npos) return {};
  std::string text;
  for (at += key.size() + 2; at < line.size() && line[at] != '"'; ++at) {
    unsigned byte = 0;
    if (line.compare(at, 2, "\\\"") == 0) {
      text += '"';
      ++at;
    } else if (line.compare(at, 2, "\\x") == 0 &&
               std::sscanf(line.c_str() + at + 2, "%2x", &byte) == 1) {
      text += static_cast<char>(byte);
      at += 3;
    } else {
      text += line[at];
    }
  }
  return text;
}

// The statuses of the programming calls in the trace, in order.
std::vector<int> ProgrammingStatuses(const std::vector<std::string>& trace) {
  std::vector<int> statuses;
  for (const std::string& line : trace) {
    int status = 0;
    if (TraceStatus(line, "ProgramSrec", status)) statuses.push_back(status);
  }
  return statuses;
}

void AddTests(const ActionInfo& info, const WindowSnapshot& after, Json& measurements) {
  Json tests = Json::array();
  for (int i = info.firstTest; i <= info.lastTest; ++i) {
    const auto index = static_cast<size_t>(i);
    const std::string& shown = after.controls.Label6[index].Caption;
    // A test that Run All did not reach stays blank.
    if (shown.empty()) continue;
    tests.push_back({{"test", after.controls.Command2[index].Caption},
                     {"passed", shown == "True" || shown == "Pass"},
                     {"status", Number(after.controls.Label5[index].Caption)}});
  }
  measurements["tests"] = std::move(tests);
}

void AddVersion(const std::vector<std::string>& trace, Json& measurements) {
  for (const std::string& line : trace) {
    int status = 0;
    unsigned first = 0;
    unsigned second = 0;
    if (std::sscanf(line.c_str(), "GetAdapterVersion -> %d first=0x%x second=0x%x", &status, &first,
                    &second) != 3)
      continue;
    // The version test reads the three characters the same way.
    measurements["version"] = status != 0
                                  ? Json(nullptr)
                                  : Json(ValidUtf8(std::string{static_cast<char>(first >> 8),
                                                               static_cast<char>(first & 0xFF),
                                                               static_cast<char>(second & 0xFF)}));
  }
}

Json Iteration(const TrimIteration& iteration) {
  return {{"code", iteration.code}, {"hz", iteration.hz}, {"error_ppm", iteration.errorPpm}};
}

void AddAutoTrim(const AutoTrimReport& report, Json& measurements) {
  Json iterations = Json::array();
  for (const TrimIteration& iteration : report.iterations)
    iterations.push_back(Iteration(iteration));
  measurements["auto_trim"] = {
      {"target_hz", report.targetHz},
      {"tolerance_ppm", report.tolerancePpm},
      {"counter", report.counter},
      {"counter_id", ValidUtf8(report.counterIdentity)},
      {"iterations", std::move(iterations)},
      {"chosen", report.chosen ? Iteration(*report.chosen) : Json(nullptr)},
      {"within_tolerance", report.withinTolerance},
      {"cancelled", report.cancelled},
      {"stored_trim_byte", report.storedTrimByte ? Json(*report.storedTrimByte) : Json(nullptr)},
  };
}

}  // namespace

std::string_view ActionName(RecordedAction action) {
  return Info(action).name;
}

std::optional<RecordedAction> ActionNamed(std::string_view name) {
  for (const ActionInfo& info : kActions) {
    if (info.name == name) return info.action;
  }
  return std::nullopt;
}

std::string Measurements(const ActionOutcome& outcome) {
  const ActionInfo& info = Info(outcome.action);
  const FormControls& before = outcome.before.controls;
  const FormControls& after = outcome.after.controls;
  Json m = Json::object();
  if (info.groups & kTests) AddTests(info, outcome.after, m);
  if (info.groups & kVersion) AddVersion(outcome.trace, m);
  if (info.groups & kRunCount) m["run_all_passes"] = Number(after.Label3.Caption);
  if (info.groups & kTarget) {
    m["target_configured"] = !outcome.after.state.TargetNotConfigured;
    m["target_id"] = outcome.after.state.TargetIdString;
  }
  if (info.groups & kTrim) {
    m["trim"] = after.CurrentTrim.Caption;
    m["fine"] = after.FineAdjust.Value;
    m["gross"] = after.GrossAdjust.Value;
  }
  if (info.groups & kRow) {
    m["reserved_row_before"] = before.ReservedRow.Text;
    m["reserved_row_after"] = after.ReservedRow.Text;
  }
  if (info.groups & kAutoUpdate) m["auto_update"] = after.AutoUpdate.Value;
  const std::vector<int> statuses = ProgrammingStatuses(outcome.trace);
  if ((info.groups & kProgramming) && !statuses.empty()) m["programming_status"] = statuses.back();
  if (info.groups & kPassCount) m["program_pass_count"] = outcome.after.state.ProgramPassCount;
  if ((info.groups & kAutoTrim) && outcome.autoTrim) AddAutoTrim(*outcome.autoTrim, m);
  return m.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::vector<FirmwareImage> ProgrammedImages(const ActionOutcome& outcome) {
  const Image image = Info(outcome.action).image;
  if (image == Image::kNone) return {};
  // The box as the action found it is what the adapter was handed: the trace cannot give the
  // path back exactly, as it leaves backslashes unescaped.
  const FormControls& controls = outcome.before.controls;
  FirmwareImage programmed;
  programmed.path =
      image == Image::kSrec ? controls.SREC_Name.Text : controls.TrimFilePathAndName.Text;
  // The adapter takes either separator, relative to the working directory.
  std::string file = programmed.path;
  std::replace(file.begin(), file.end(), '\\', '/');
  if (!Sha256OfFile(file, programmed.sha256)) programmed.sha256.clear();
  return std::vector<FirmwareImage>(ProgrammingStatuses(outcome.trace).size(), programmed);
}

std::string OpenedAdapter(const std::vector<std::string>& trace) {
  std::string name;
  for (const std::string& line : trace) {
    int status = -1;
    if (TraceStatus(line, "OpenDevice", status) && status == 0) name = Quoted(line, "name");
  }
  return name;
}

Record BuildRecord(const RecordSource& source, const ActionOutcome& outcome) {
  Record record;
  record.id = NewRecordId();
  record.station = source.station;
  record.operatorName = source.operatorName;
  record.unit = source.unit;
  record.adapter = source.adapter;
  record.software = source.software;
  record.configSha256 = source.configSha256;
  record.action = std::string(ActionName(outcome.action));
  record.verdict = outcome.verdict.Passed() ? kVerdictPassed : kVerdictFailed;
  record.reason = outcome.verdict.Reason();
  record.started = FormatUtc(outcome.started);
  record.ended = FormatUtc(outcome.ended);
  record.measurements = Measurements(outcome);
  record.firmware = ProgrammedImages(outcome);
  record.messages = outcome.messages;
  record.trace = outcome.trace;
  return record;
}

}  // namespace halyard::records
