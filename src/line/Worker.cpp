// The socket's worker: start-up, then unit after unit, each step recorded with the socket and
// the id the supervisor handed out.
#include "line/Worker.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <memory>

#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "assembly/Steps.h"
#include "line/Protocol.h"

namespace halyard::line {

namespace {

using Clock = std::chrono::steady_clock;

// How long a worker told to end (SIGTERM: the line is gone, or someone asks) has to finish the
// step it is in, before the alarm ends it.
constexpr unsigned kEndingGraceSeconds = 60;

volatile std::sig_atomic_t endRequested = 0;

void RequestEnd(int) {
  endRequested = 1;
  ::alarm(kEndingGraceSeconds);
}

void EndOnSigterm() {
  struct sigaction action {};
  action.sa_handler = RequestEnd;
  ::sigemptyset(&action.sa_mask);
  ::sigaction(SIGTERM, &action, nullptr);
}

// A worker has no one to show a box to: what a box said is in the action's result and record.
class SilentDialogs final : public Dialogs {
 public:
  void MsgBox(const std::string&, int, const std::string&) override {}
};

class SocketWorker {
 public:
  SocketWorker(const WorkerOptions& options, std::ostream& out)
      : options_(options), out_(out), pump_(MakeConsolePump(options.noWait)) {}

  // Builds and starts the station; false after a "down" event.
  bool Start() {
    StationOptions station;
    station.adapter = options_.adapter;
    station.benchPath = options_.bench;
    station.counter = options_.counter;
    station.counterLock = options_.counterLock;
    station.app.title = "halyard-station";
    station.app.configPath = options_.configPath;
    std::string error;
    station_ = Station::Build(station, dialogs_, *pump_, error);
    // Without a store no records, but the configuration's factory messages all the same.
    const std::string store =
        options_.recordsStore.empty() ? records::kNoStore : options_.recordsStore;
    if (station_ &&
        !records_.Open(*station_, {store, options_.spool, options_.operatorName, options_.socket},
                       error)) {
      station_.reset();
    }
    if (!station_) return Down(error);
    station_->Form().Form_Load();
    const Transcript startup = station_->TakeTranscript();
    if (station_->OpenedAdapter().empty()) {
      return Down(startup.messages.empty() ? "the adapter did not open"
                                           : startup.messages.front().text);
    }
    if (const std::string fault = station_->BackendFault(); !fault.empty()) return Down(fault);
    WorkerEvent ready;
    ready.adapter = station_->RecordedAdapter();
    Say(ready);
    return true;
  }

  void Stop() {
    if (!station_) return;
    station_->Form().Form_Unload();
    records_.Close();
  }

  // A unit's work is its sequence: it begins with the first step and ends with the last one run,
  // passed when every step passed.
  void Test(const UnitOrder& order) {
    if (order.unfinished) {
      records_.Recorder().EndUnitLeft({order.unit, options_.socket, order.work},
                                      records::UnitVerdict::kFailed);
      return;
    }
    records_.BeginUnit(order.unit, order.work);
    WorkerEvent unit;
    unit.kind = WorkerEvent::Kind::kUnitEnded;
    unit.unit = order.unit;
    unit.verdict = "passed";
    for (size_t i = 0; i < order.steps.size() && unit.verdict == "passed"; ++i) {
      // Told to end: the step before was finished and recorded; no other is begun, and the
      // unit's work ends unfinished.
      if (endRequested) {
        records_.Recorder().EndUnit(records::UnitVerdict::kNotTested);
        return;
      }
      const WorkerEvent step = RunStep(order.steps[i], order.ids[i]);
      if (step.verdict != "passed") {
        unit.verdict = "failed";
        unit.reason = step.step + ": " + step.reason;
      }
    }
    records_.Recorder().EndUnit(unit.verdict == "passed" ? records::UnitVerdict::kPassed
                                                         : records::UnitVerdict::kFailed);
    Say(unit);
  }

 private:
  WorkerEvent RunStep(const std::string& text, const std::string& id) {
    WorkerEvent event;
    event.kind = WorkerEvent::Kind::kStepBegan;
    event.step = text;
    Say(event);
    event.kind = WorkerEvent::Kind::kStepEnded;
    event.verdict = "passed";
    const Clock::time_point began = Clock::now();
    Step step;
    std::string error;
    if (!ParseStep(text, step, error) || step.syntax->action == nullptr) {
      event.verdict = "failed";
      event.reason = error.empty() ? "no action a socket runs" : error;
    } else {
      const ActionRow& action = *step.syntax->action;
      records_.Recorder().SetNextId(id);
      // A unit the MES refused fails its step without touching anything.
      const bool ran =
          PerformAdmitted(*station_, action, {static_cast<int16_t>(step.value), step.path},
                          [this](std::string& reason) { return records_.Admit(reason); });
      if (!ran) {
        event.verdict = "failed";
        event.reason = "ignored: another operation was still running";
      } else if (action.recorded) {
        const ActionResult& result = station_->LastResult();
        event.records = records_.Record(*station_, result).key;
        if (!result.passed) {
          event.verdict = "failed";
          event.reason = result.reason.text;
        }
      }
      records_.Recorder().SetNextId({});
      station_->TakeTranscript();
    }
    event.seconds = std::chrono::duration<double>(Clock::now() - began).count();
    Say(event);
    return event;
  }

  bool Down(const std::string& reason) {
    WorkerEvent down;
    down.kind = WorkerEvent::Kind::kDown;
    down.reason = reason;
    Say(down);
    return false;
  }

  void Say(const WorkerEvent& event) { out_ << WriteEvent(event) << "\n" << std::flush; }

  const WorkerOptions& options_;
  std::ostream& out_;
  SilentDialogs dialogs_;
  std::unique_ptr<EventPump> pump_;
  std::unique_ptr<Station> station_;
  StationRecords records_;
};

}  // namespace

int Serve(const WorkerOptions& options, std::istream& in, std::ostream& out, std::ostream& err) {
  EndOnSigterm();
  SocketWorker worker(options, out);
  if (!worker.Start()) return kWorkerDown;
  for (std::string line; !endRequested && std::getline(in, line);) {
    if (line.empty()) continue;
    UnitOrder order;
    std::string error;
    if (!ReadOrder(line, order, error)) {
      err << "halyardctl serve: " << error << "\n";
      worker.Stop();
      return kWorkerBadOrder;
    }
    worker.Test(order);
  }
  worker.Stop();
  return kWorkerDone;
}

}  // namespace halyard::line
