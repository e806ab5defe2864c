// Builds the station from its options.
#include "assembly/Station.h"

#include <utility>

#include "app/Configuration.h"
#include "assembly/Backend.h"
#include "sim/SimulatedAdapter.h"

namespace halyard {

// The front end's message boxes, each also kept for the transcript of the stretch it fell in.
class KeptDialogs final : public Dialogs {
 public:
  explicit KeptDialogs(Dialogs& shown) : shown_(shown) {}
  void MsgBox(const std::string& prompt, int style, const std::string& title) override {
    kept_.push_back({title, prompt});
    shown_.MsgBox(prompt, style, title);
  }
  std::vector<records::RecordMessage> Take() { return std::exchange(kept_, {}); }

 private:
  Dialogs& shown_;
  std::vector<records::RecordMessage> kept_;
};

std::unique_ptr<Station> Station::Build(const StationOptions& options, Dialogs& dialogs,
                                        EventPump& pump, std::string& error) {
  // A configuration file named on purpose must be there and readable; the program's own is
  // optional, as the station starts with empty settings without one.
  ProfileFile profile;
  if (options.app.configPath) {
    std::string reason;
    if (!ProfileFile::TryLoad(*options.app.configPath, profile, reason)) {
      error = "configuration file \"" + options.app.configPath->string() + "\": " + reason;
      return nullptr;
    }
  } else {
    profile =
        ProfileFile::Load(FindConfiguration(options.app.programPath, options.app.configFallbacks));
  }
  // The command line's choice wins over the configuration file's.
  BackendRequest request{options.adapter, options.benchPath, options.i2cKernel};
  if (request.adapter.empty()) request.adapter = ConfiguredAdapter(profile);
  TrimSettings trim;
  if (!ReadTrimSettings(profile, trim, error)) return nullptr;
  if (!options.counter.empty()) trim.counter = options.counter;
  Backend backend;
  if (!MakeBackend(request, backend, error)) return nullptr;
  std::unique_ptr<FrequencyCounter> counter;
  if (!MakeCounter({trim.counter, std::move(backend.counter), trim.counterTimeout}, counter, error))
    return nullptr;
  if (counter && !options.counterLock.empty())
    counter = TakenInTurns(std::move(counter), options.counterLock);
  std::unique_ptr<Station> station(new Station);
  station->dialogs_ = std::make_unique<KeptDialogs>(dialogs);
  station->bench_ = backend.bench;
  station->backend_ = std::move(backend.control);
  station->backendDescription_ = std::move(backend.description);
  TarnelRW* control = station->backend_.get();
  if (options.trace) {
    station->tracer_ = std::make_unique<TracingAdapter>(*control, options.traceSink);
    control = station->tracer_.get();
  }
  station->counter_ = std::move(counter);
  station->form_ =
      std::make_unique<Form1>(*control, *station->dialogs_, pump, options.app, std::move(profile));
  station->autoTrim_ =
      std::make_unique<AutoTrim>(*station->form_, station->counter_.get(), pump, std::move(trim));
  return station;
}

Station::~Station() = default;

std::unique_ptr<EventPump> MakeConsolePump(bool noWait) {
  if (noWait) return std::make_unique<VirtualClockPump>();
  return std::make_unique<SleepingEventPump>();
}

std::string Station::BackendFault() const {
  if (bench_ == nullptr || bench_->StateError().empty()) return "";
  return "bench state file: " + bench_->StateError();
}

std::vector<BusCall> Station::TakeCalls() {
  if (!tracer_) return {};
  std::vector<BusCall> calls = tracer_->TakeCalls();
  // The adapter the records name is the one an OpenDevice opened last.
  for (const BusCall& call : calls) {
    if (call.op == Operation::kOpenDevice && call.status != kStatusOpenFailed && call.inputs.name)
      openedAdapter_ = *call.inputs.name;
    if (call.op == Operation::kCloseDevice) openedAdapter_.clear();
  }
  return calls;
}

std::vector<std::string> Station::TakeTrace() {
  return TraceLines(TakeCalls());
}

Transcript Station::TakeTranscript() {
  return {TakeCalls(), dialogs_->Take()};
}

void Station::BeginAction(const ActionRow& row) {
  TakeTranscript();  // what came before belongs to no action
  running_ = &row;
  form_->OpenAction();
  started_ = std::chrono::system_clock::now();
}

const ActionResult& Station::EndAction() {
  ActionResult result = form_->CloseAction();
  result.action = std::string(running_->name);
  result.measured = running_->measured;
  if (IsAutoTrim(*running_)) {
    result.Conclude(autoTrim_->Verdict());
    result.measurements.autoTrim = autoTrim_->Report();
  } else {
    result.Conclude(form_->Verdict());
  }
  Transcript transcript = TakeTranscript();
  result.calls = std::move(transcript.calls);
  result.messages = std::move(transcript.messages);
  result.started = started_;
  result.ended = std::chrono::system_clock::now();
  running_ = nullptr;
  last_ = std::move(result);
  return last_;
}

const ActionResult& Station::Refuse(const ActionRow& row, Reason reason) {
  TakeTranscript();  // what came before belongs to no action
  ActionResult result;
  result.action = std::string(row.name);
  result.measured = row.measured;
  result.passed = false;
  result.reason = std::move(reason);
  result.started = result.ended = std::chrono::system_clock::now();
  last_ = std::move(result);
  return last_;
}

bool Station::Perform(const ActionRow& row, const ActionInput& input) {
  if (!row.recorded) return row.perform(*this, input);
  // An action asked for while another runs (in its wait) is ignored and ends nothing.
  if (form_->Busy() || running_ != nullptr) return false;
  BeginAction(row);
  const bool ran = row.perform(*this, input);
  EndAction();
  return ran;
}

}  // namespace halyard
