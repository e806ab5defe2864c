// One halyardctl session: the adapter backend, the window logic with console services, the steps,
// and the report of each step as readable lines or as one JSON object per line.
#include "cli/Halyardctl.h"

#include <CLI/CLI.hpp>
#include <exception>
#include <memory>
#include <system_error>
#include <utility>

#include "Version.h"
#include "adapter/EventPump.h"
#include "assembly/Station.h"
#include "cli/ConsoleServices.h"
#include "cli/FormJson.h"
#include "cli/JsonWriter.h"
#include "cli/RecordsCommand.h"
#include "cli/RecordsSession.h"
#include "cli/Steps.h"

namespace halyard::cli {

namespace {

constexpr const char* kProgramName = "halyardctl";
constexpr const char* kStationName = "halyard-station";

std::string VersionText() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

// Bench errors are meant to be one line; a stray line break would split the report.
std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r') c = ' ';
  }
  return text;
}

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
    return recorder_.Open(options_, *station_, error);
  }

  int Run(const std::vector<Step>& steps) {
    Begin("startup");
    FormSnapshot before = SnapshotForm(*form_);
    form_->Form_Load();
    Finish("startup", before, std::nullopt, true, false);
    ReportBackendFault();

    for (const Step& step : steps) {
      Begin(step.text);
      before = SnapshotForm(*form_);
      recorder_.Begin(step, *form_);
      const bool wentThrough = Perform(step);
      std::optional<ActionVerdict> verdict;
      if (wentThrough && HasVerdict(step.kind)) verdict = form_->Verdict();
      if (verdict && !verdict->Passed()) failedSteps_.push_back(step.text);
      if (!wentThrough) ignoredSteps_.push_back(step.text);
      Finish(step.text, before, verdict, wentThrough, TestIndex(step.kind) >= 0);
      if (step.kind == StepKind::kState && !options_.json) PrintState();
    }

    Begin("shutdown");
    before = SnapshotForm(*form_);
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

  // Carries out one operator action. False when the window ignored it (an operation was
  // still running).
  bool Perform(const Step& step) {
    switch (step.kind) {
      case StepKind::kTab:
        return form_->SelectTab(static_cast<int16_t>(step.value));
      case StepKind::kState:
        return true;
      case StepKind::kVersionTest:
      case StepKind::kSmbusTest:
      case StepKind::kI2cTest:
      case StepKind::kSwbTest:
      case StepKind::kRunAll:
        return form_->Command2_Click(static_cast<int16_t>(TestIndex(step.kind)));
      case StepKind::kConfigure:
        return form_->Command1_Click();
      case StepKind::kProgram:
        return form_->Program_Click();
      case StepKind::kSrec:
        form_->SetSrecName(step.path);
        return true;
      case StepKind::kTrimSrec:
        form_->SetTrimFilePathAndName(step.path);
        return true;
      case StepKind::kAutoUpdate:
        form_->SetAutoUpdate(static_cast<int16_t>(step.value));
        return true;
      case StepKind::kTrimStart:
        return form_->StartTrim_Click();
      case StepKind::kFine:
        return form_->MoveFineAdjust(static_cast<int16_t>(step.value));
      case StepKind::kGross:
        return form_->MoveGrossAdjust(static_cast<int16_t>(step.value));
      case StepKind::kTrimRead:
        return form_->RsvFlashRd_Click();
      case StepKind::kTrimUpdate:
        return form_->Update_Click();
      case StepKind::kSerial:
        recorder_.SetUnit(step.path);
        return true;
    }
    return false;
  }

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
    const RecordNotice records = recorder_.End(*form_, verdict, messages, trace);
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

int HalyardctlMain(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                   std::ostream& out, std::ostream& err,
                   const std::vector<std::filesystem::path>& configFallbacks) {
  try {
    if (!args.empty() && args[0] == "records") {
      return RecordsMain(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    CLI::App app{
        "Runs the halyard-station window logic on the simulated bench or another adapter, one "
        "operator action per step.",
        kProgramName};
    Options options;
    options.configFallbacks = configFallbacks;
    std::string configPath;
    bool version = false;
    CLI::Option* configOption =
        app.add_option("--config", configPath, "configuration file instead of halyard-station.ini");
    app.add_option("--adapter", options.adapter,
                   "sim (default), i2c:/dev/i2c-N[,OPTION...] or driver:LIBRARY[,ARGUMENT]");
    std::string benchPath;
    CLI::Option* benchOption =
        app.add_option("--bench", benchPath, "bench file (JSON); default: the default bench");
    app.add_flag("--json", options.json, "one JSON object per line: startup, each step, shutdown");
    app.add_flag("--trace", options.trace, "show the bus trace lines in the text output");
    app.add_flag("--no-wait", options.noWait,
                 "waits end at once (a virtual clock); changes only the pacing");
    app.add_flag("--version", version, "print the version and exit");
    app.add_option("--records", options.recordsStore,
                   "record each action in STORE (FILE.db, postgresql://..., none)");
    app.add_option("--operator", options.operatorName, "the operator's name in the records");
    app.add_option("--spool", options.spoolPath, "where records wait while the store is down");
    app.add_option("steps", options.steps, "operator actions, in order");
    app.footer(StepHelp() +
               "\nExit status: 0 all went through, 1 a test failed or a message "
               "box was raised, 2 bad usage or a bad file.\n"
               "halyardctl records list|yield --help: read a record store.");

    std::vector<const char*> argv{kProgramName};
    for (const std::string& arg : args)
      argv.push_back(arg.c_str());
    try {
      app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
      out << app.help();
      return kExitOk;
    } catch (const CLI::ParseError& e) {
      err << kProgramName << ": " << OneLine(e.what()) << "\n";
      return kExitUsage;
    }
    if (version) {
      out << kProgramName << " " << VersionText() << "\n";
      return kExitOk;
    }
    if (configOption->count() > 0) options.configPath = configPath;
    if (benchOption->count() > 0) options.benchPath = benchPath;
    return RunSession(options, programDir, out, err);
  } catch (const std::exception& e) {
    err << kProgramName << ": internal error: " << OneLine(e.what()) << "\n";
  } catch (...) {
    err << kProgramName << ": internal error\n";
  }
  return kExitUsage;
}

std::filesystem::path ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : cwd;
}

}  // namespace halyard::cli
