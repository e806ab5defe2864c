// One halyardctl session: the adapter backend, the window logic with console services, the steps,
// and the report of each step as readable lines or as one JSON object per line.
#include "cli/Halyardctl.h"

#include <exception>
#include <memory>
#include <system_error>
#include <utility>

#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "assembly/Steps.h"
#include "cli/AutoTrimOutput.h"
#include "cli/ConsoleServices.h"
#include "cli/FormJson.h"
#include "cli/JsonWriter.h"

namespace halyard::cli {

namespace {

using records::RecordNotice;

constexpr const char* kStationName = "halyard-station";

// What one step of the session did, for its report.
struct StepReport {
  std::string name;
  bool wentThrough = true;
  const ActionResult* result = nullptr;  // a recorded action that went through: its result
  Transcript transcript;                 // otherwise: the bus calls and boxes of the step
  RecordNotice records;
};

class Session {
 public:
  Session(const Options& options, std::ostream& out, std::ostream& err)
      : options_(options),
        out_(out),
        err_(err),
        dialogs_(options.json ? nullptr : &out),
        pump_(MakeConsolePump(options.noWait)) {}

  // Builds the station; false, with one line in `error`, when its backend cannot be had.
  bool Build(StationOptions stationOptions, std::string& error) {
    stationOptions.traceSink = TraceSink();
    station_ = Station::Build(stationOptions, dialogs_, *pump_, error);
    if (!station_) return false;
    form_ = &station_->Form();
    if (!options_.json) {
      station_->AutoTrimmer().SetProgress([this](const TrimIteration& iteration) {
        out_ << IterationLine(station_->AutoTrimmer().Report().iterations.size(), iteration) << "\n"
             << std::flush;
      });
    }
    // Without --records no store, but the configuration's factory messages all the same.
    const std::string store =
        options_.recordsStore.empty() ? records::kNoStore : options_.recordsStore;
    return records_.Open(*station_, {store, options_.spoolPath, options_.operatorName, ""}, error);
  }

  int Run(const std::vector<Step>& steps) {
    RunStretch("startup", [this] { form_->Form_Load(); });
    for (const Step& step : steps)
      RunStep(step);
    RunStretch("shutdown", [this] { form_->Form_Unload(); });
    records_.Close();

    const bool failed = dialogs_.TotalCount() > 0 || !failedSteps_.empty() ||
                        !ignoredSteps_.empty() || backendFault_ || lostRecords_ > 0;
    if (!options_.json) PrintResult(failed);
    if (lostRecords_ > 0) return kExitRecordLost;
    return failed ? kExitFailed : kExitOk;
  }

 private:
  TracingAdapter::Sink TraceSink() {
    // Printed as the operation returns, so the bus lines interleave with the message boxes
    // in the order they happened.
    if (options_.json || !options_.trace) return {};
    return [this](const std::string& line) { out_ << "  bus: " << line << "\n"; };
  }

  // Start-up or shutdown: no action, but its bus calls and boxes, and the bench's files.
  template <typename Run>
  void RunStretch(const char* name, Run run) {
    Begin(name);
    const FormSnapshot before = Snapshot();
    run();
    StepReport report;
    report.name = name;
    report.transcript = station_->TakeTranscript();
    Finish(report, before);
    ReportBackendFault();
  }

  void RunStep(const Step& step) {
    Begin(step.text);
    const FormSnapshot before = Snapshot();
    StepReport report;
    report.name = step.text;
    if (const ActionRow* action = step.syntax->action; action != nullptr) {
      const ActionInput input{static_cast<int16_t>(step.value), step.path};
      report.wentThrough = PerformAdmitted(*station_, *action, input, [this](std::string& reason) {
        return records_.Admit(reason);
      });
      if (action->recorded && report.wentThrough) {
        report.result = &station_->LastResult();
        if (!report.result->passed) failedSteps_.push_back(step.text);
        report.records = records_.Record(*station_, *report.result);
        ReportRecordFault(report.records);
      }
    } else if (step.syntax->own == OwnStep::kSerial) {
      records_.BeginUnit(step.path);
    }
    if (!report.wentThrough) ignoredSteps_.push_back(step.text);
    if (report.result == nullptr) report.transcript = station_->TakeTranscript();
    Finish(report, before);
    if (step.syntax->own == OwnStep::kState && !options_.json) PrintState();
  }

  // The window before a step, for the readable lines' changes; JSON lines show the whole
  // window after each step and need none.
  FormSnapshot Snapshot() const { return options_.json ? FormSnapshot{} : SnapshotForm(*form_); }

  // A backend file that could not be read or written fails the session: what the operator
  // did may not have been kept.
  void ReportBackendFault() {
    const std::string fault = station_->BackendFault();
    if (fault.empty()) return;
    err_ << kProgramName << ": " << OneLine(fault) << "\n";
    backendFault_ = true;
  }

  // A record kept nowhere, or a spool that cannot be read back, is said on stderr too: a script
  // that reads only the exit status and stderr must not miss it.
  void ReportRecordFault(const RecordNotice& notice) {
    if (notice.key == records::kNoticeLost) ++lostRecords_;
    if (notice.key == records::kNoticeLost || notice.key == records::kNoticeSpoolFault)
      err_ << kProgramName << ": " << OneLine(notice.line) << "\n";
  }

  void Begin(const std::string& name) {
    if (!options_.json) out_ << name << "\n";
  }

  void Finish(const StepReport& report, const FormSnapshot& before) {
    if (options_.json) {
      WriteJson(report);
      return;
    }
    const ActionResult* result = report.result;
    for (const std::string& change : FormChanges(before, *form_))
      out_ << "  " << change << "\n";
    if (!report.wentThrough) out_ << "  ignored: another operation was still running\n";
    if (result && result->measurements.autoTrim)
      out_ << ChoiceLine(*result->measurements.autoTrim) << "\n";
    if (!report.records.line.empty()) out_ << "  " << report.records.line << "\n";
    if (result && result->passed) out_ << "  verdict: passed\n";
    if (result && !result->passed) out_ << "  verdict: failed: " << result->reason.text << "\n";
    out_ << std::flush;
  }

  // The step's JSON object; its keys are documented in docs/halyardctl.md.
  void WriteJson(const StepReport& report) {
    const ActionResult* result = report.result;
    std::string line;
    JsonWriter json(line);
    json.BeginObject().Key("step").String(report.name);
    json.Key("verdict");
    if (result) {
      json.String(result->passed ? "passed" : "failed");
    } else {
      json.Null();
    }
    // Which adapter the session ran on, once; no step is named "startup".
    if (report.name == "startup") json.Key("adapter").String(station_->BackendDescription());
    if (result && !result->passed) json.Key("reason").String(result->reason.text);
    // A test step keeps its "passed" key for older scripts.
    if (result && (result->measured & kMeasuredTests)) json.Key("passed").Bool(result->passed);
    if (!report.wentThrough) json.Key("ignored").Bool(true);
    if (!report.records.key.empty()) json.Key("records").String(report.records.key);
    if (result && result->measurements.autoTrim)
      WriteAutoTrimJson(json.Key("auto_trim"), *result->measurements.autoTrim);
    const auto& messages = result ? result->messages : report.transcript.messages;
    const auto& calls = result ? result->calls : report.transcript.calls;
    json.Key("messages").BeginArray();
    for (const records::RecordMessage& message : messages) {
      json.BeginObject().Key("title").String(message.title);
      json.Key("text").String(message.text).EndObject();
    }
    json.EndArray().Key("trace").BeginArray();
    for (const BusCall& call : calls)
      json.String(TraceLine(call));
    json.EndArray().Key("form");
    WriteFormJson(json, *form_);
    json.EndObject();
    line += '\n';
    out_ << line << std::flush;
  }

  void PrintState() {
    out_ << "  adapter = " << QuoteText(station_->BackendDescription()) << "\n";
    for (const auto& [name, value] : FormLines(*form_)) {
      out_ << "  " << name << " = " << value << "\n";
    }
  }

  void PrintResult(bool failed) {
    if (!failed) {
      out_ << "result: pass\n";
      return;
    }
    out_ << "result: fail";
    const char* separator = " (";
    if (lostRecords_ > 0) {
      out_ << separator << lostRecords_ << " record" << (lostRecords_ == 1 ? "" : "s") << " lost";
      separator = "; ";
    }
    if (backendFault_) {
      out_ << separator << "bench state file not kept";
      separator = "; ";
    }
    if (dialogs_.TotalCount() > 0) {
      out_ << separator << dialogs_.TotalCount() << " message box"
           << (dialogs_.TotalCount() == 1 ? "" : "es");
      separator = "; ";
    }
    for (const std::string& step : failedSteps_) {
      out_ << separator << QuoteText(step) << " failed";
      separator = "; ";
    }
    for (const std::string& step : ignoredSteps_) {
      out_ << separator << QuoteText(step) << " ignored";
      separator = "; ";
    }
    out_ << ")\n";
  }

  const Options& options_;
  std::ostream& out_;
  std::ostream& err_;
  bool backendFault_ = false;
  int lostRecords_ = 0;
  ConsoleDialogs dialogs_;
  std::unique_ptr<EventPump> pump_;
  std::unique_ptr<Station> station_;
  Form1* form_ = nullptr;
  StationRecords records_;
  std::vector<std::string> failedSteps_;
  std::vector<std::string> ignoredSteps_;
};

}  // namespace

int RunSession(const Options& options, const std::filesystem::path& programDir, std::ostream& out,
               std::ostream& err) {
  // Everything is checked before the bench is touched: a bad command line runs nothing.
  std::vector<Step> steps;
  std::string error;
  if (!ParseSteps(options.steps, steps, error)) {
    err << kProgramName << ": " << error << "\n";
    return kExitUsage;
  }
  StationOptions stationOptions;
  stationOptions.adapter = options.adapter;
  stationOptions.benchPath = options.benchPath;
  stationOptions.counter = options.counter;
  stationOptions.app.title = kStationName;
  stationOptions.app.programPath = programDir / kStationName;
  stationOptions.app.configPath = options.configPath;
  stationOptions.app.configFallbacks = options.configFallbacks;
  Session session(options, out, err);
  if (!session.Build(std::move(stationOptions), error)) {
    err << kProgramName << ": " << OneLine(error) << "\n";
    return kExitUsage;
  }
  return session.Run(steps);
}

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  return text;
}

}  // namespace halyard::cli
