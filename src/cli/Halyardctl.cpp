// One halyardctl session: the adapter backend, the window logic with console services, the steps,
// and the report of each step as readable lines or as one JSON object per line.
#include "cli/Halyardctl.h"

#include <exception>
#include <memory>
#include <system_error>
#include <utility>

#include "adapter/EventPump.h"
#include "assembly/Station.h"
#include "cli/AutoTrimOutput.h"
#include "cli/ConsoleServices.h"
#include "cli/FormJson.h"
#include "cli/JsonWriter.h"
#include "cli/RecordsSession.h"
#include "cli/Steps.h"

namespace halyard::cli {

namespace {

constexpr const char* kStationName = "halyard-station";

class Session {
 public:
  Session(const Options& options, std::ostream& out, std::ostream& err)
      : options_(options),
        out_(out),
        err_(err),
        dialogs_(options.json ? nullptr : &out),
        pump_(MakePump(options.noWait)) {}

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
    return recorder_.Open(options_, *station_, error);
  }

  int Run(const std::vector<Step>& steps) {
    Begin("startup");
    FormSnapshot before = Snapshot();
    form_->Form_Load();
    Finish("startup", before, std::nullopt, true, false);
    ReportBackendFault();

    for (const Step& step : steps) {
      Begin(step.text);
      before = Snapshot();
      recorder_.Begin(step, *form_);
      StepTarget target{*form_, *station_, recorder_, &form_->Verdict(), std::nullopt};
      const bool wentThrough = step.syntax->perform(target, step);
      autoTrim_ = std::move(target.autoTrim);
      std::optional<ActionVerdict> verdict;
      if (wentThrough && step.syntax->hasVerdict) verdict = *target.verdict;
      if (verdict && !verdict->Passed()) failedSteps_.push_back(step.text);
      if (!wentThrough) ignoredSteps_.push_back(step.text);
      Finish(step.text, before, verdict, wentThrough, step.syntax->isTest);
      autoTrim_.reset();
      if (step.syntax->printsState && !options_.json) PrintState();
    }

    Begin("shutdown");
    before = Snapshot();
    form_->Form_Unload();
    Finish("shutdown", before, std::nullopt, true, false);
    ReportBackendFault();

    const bool failed = dialogs_.TotalCount() > 0 || !failedSteps_.empty() ||
                        !ignoredSteps_.empty() || backendFault_;
    if (!options_.json) PrintResult(failed);
    return failed ? kExitFailed : kExitOk;
  }

 private:
  static std::unique_ptr<EventPump> MakePump(bool noWait) {
    if (noWait) return std::make_unique<VirtualClockPump>();
    return std::make_unique<SleepingEventPump>();
  }

  TracingAdapter::Sink TraceSink() {
    // Printed as the operation returns, so the bus lines interleave with the message boxes
    // in the order they happened.
    if (options_.json || !options_.trace) return {};
    return [this](const std::string& line) { out_ << "  bus: " << line << "\n"; };
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

  void Begin(const std::string& name) {
    if (!options_.json) out_ << name << "\n";
  }

  // `verdict` is the action's, if it has one; a test step also keeps its "passed" key.
  void Finish(const std::string& name, const FormSnapshot& before,
              const std::optional<ActionVerdict>& verdict, bool wentThrough, bool isTest) {
    std::vector<Message> messages = dialogs_.TakeMessages();
    std::vector<std::string> trace = station_->TakeTrace();
    const RecordNotice records = recorder_.End(*form_, verdict, messages, trace, autoTrim_);
    if (options_.json) {
      std::string line;
      JsonWriter report(line);
      report.BeginObject().Key("step").String(name);
      report.Key("verdict");
      if (verdict) {
        report.String(verdict->Passed() ? "passed" : "failed");
      } else {
        report.Null();
      }
      // Which adapter the session ran on, once; no step is named "startup".
      if (name == "startup") report.Key("adapter").String(station_->BackendDescription());
      if (verdict && !verdict->Passed()) report.Key("reason").String(verdict->Reason());
      if (verdict && isTest) report.Key("passed").Bool(verdict->Passed());
      if (!wentThrough) report.Key("ignored").Bool(true);
      if (!records.key.empty()) report.Key("records").String(records.key);
      if (autoTrim_) WriteAutoTrimJson(report.Key("auto_trim"), *autoTrim_);
      report.Key("messages").BeginArray();
      for (const Message& message : messages) {
        report.BeginObject().Key("title").String(message.title);
        report.Key("text").String(message.text).EndObject();
      }
      report.EndArray().Key("trace").BeginArray();
      for (const std::string& traceLine : trace)
        report.String(traceLine);
      report.EndArray().Key("form");
      WriteFormJson(report, *form_);
      report.EndObject();
      line += '\n';
      out_ << line << std::flush;
      return;
    }
    for (const std::string& change : FormChanges(before, *form_))
      out_ << "  " << change << "\n";
    if (!wentThrough) out_ << "  ignored: another operation was still running\n";
    if (autoTrim_) out_ << ChoiceLine(*autoTrim_) << "\n";
    if (!records.line.empty()) out_ << "  " << records.line << "\n";
    if (verdict && verdict->Passed()) out_ << "  verdict: passed\n";
    if (verdict && !verdict->Passed()) out_ << "  verdict: failed: " << verdict->Reason() << "\n";
    out_ << std::flush;
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
  ConsoleDialogs dialogs_;
  std::unique_ptr<EventPump> pump_;
  std::unique_ptr<Station> station_;
  Form1* form_ = nullptr;
  SessionRecorder recorder_;
  std::optional<AutoTrimReport> autoTrim_;  // the step's automatic trim, if it was one
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
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

}  // namespace halyard::cli
