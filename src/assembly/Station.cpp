// Builds the station from its options.
#include "assembly/Station.h"

#include "app/Configuration.h"
#include "assembly/Backend.h"
#include "sim/SimulatedAdapter.h"

namespace halyard {

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
  std::unique_ptr<Station> station(new Station);
  station->bench_ = backend.bench;
  station->backend_ = std::move(backend.control);
  station->backendDescription_ = std::move(backend.description);
  TarnelRW* control = station->backend_.get();
  if (options.trace) {
    station->tracer_ = std::make_unique<TracingAdapter>(*control, options.traceSink);
    control = station->tracer_.get();
  }
  station->counter_ = std::move(counter);
  station->form_ = std::make_unique<Form1>(*control, dialogs, pump, options.app);
  station->autoTrim_ =
      std::make_unique<AutoTrim>(*station->form_, station->counter_.get(), pump, std::move(trim));
  return station;
}

Station::~Station() = default;

std::string Station::BackendFault() const {
  if (bench_ == nullptr || bench_->StateError().empty()) return "";
  return "bench state file: " + bench_->StateError();
}

std::vector<std::string> Station::TakeTrace() {
  if (!tracer_) return {};
  return tracer_->TakeLines();
}

}  // namespace halyard
