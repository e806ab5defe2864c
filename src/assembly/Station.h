// The one place that builds the whole station: the adapter backend, the tracing layer over
// it, and the window logic (Form1) with the services the front end hands in. The window,
// halyardctl, the screenshot tool and the tests' fixture all start here.
#pragma once

#include <memory>
#include <string>

#include "adapter/Dialogs.h"
#include "adapter/EventPump.h"
#include "adapter/TarnelRW.h"
#include "adapter/TracingAdapter.h"
#include "app/Configuration.h"
#include "app/Form1.h"
#include "assembly/Actions.h"
#include "autotrim/AutoTrim.h"
#include "counter/FrequencyCounter.h"
#include "i2c/KernelI2c.h"

namespace halyard {

class SimulatedAdapter;
class KeptDialogs;

// What the bus and the message boxes saw over a stretch of the session: start-up, an edit, an
// action, shutdown.
struct Transcript {
  std::vector<BusCall> calls;
  std::vector<records::RecordMessage> messages;
};

struct StationOptions {
  // The backend, a name from the registry with its argument, e.g. "sim" or "i2c:/dev/i2c-1"
  // (assembly/Backend.h). Empty: the configuration file's [Adapter] Backend, else "sim".
  std::string adapter;
  std::shared_ptr<i2c::KernelI2c> i2cKernel;  // the kernel i2c-dev calls; null: the system's
  std::optional<std::string> benchPath;       // the simulated bench's file; none: the default bench
  // The frequency counter of the automatic trim: "sim", "scpi:tcp:HOST:PORT" or
  // "scpi:/dev/usbtmcN" (see counter/FrequencyCounter.h). Empty: the configuration file's
  // [Trim] Counter, else the backend's own when it has one (the bench has), else none.
  std::string counter;
  // When set, the counter is shared with other stations (a line's sockets) and taken in turns
  // through this lock file.
  std::string counterLock;
  AppInfo app;                     // title, program path, configuration file
  bool trace = true;               // put the tracing layer between Form1 and the backend
  TracingAdapter::Sink traceSink;  // each bus line as the operation returns; may be empty
};

// The event pump of a front end without an event loop (halyardctl, a line's worker): its waits
// sleep, or with `noWait` end at once on a virtual clock.
std::unique_ptr<EventPump> MakeConsolePump(bool noWait);

class Station {
 public:
  // The station on the chosen backend, not yet started (Form_Load is the caller's, so that a
  // front end can set up its window first). Null, with one line in `error`, when the backend
  // cannot be had.
  static std::unique_ptr<Station> Build(const StationOptions& options, Dialogs& dialogs,
                                        EventPump& pump, std::string& error);
  ~Station();
  Station(const Station&) = delete;
  Station& operator=(const Station&) = delete;

  Form1& Form() { return *form_; }
  const Form1& Form() const { return *form_; }

  // Carries out one operator action of the table as the operator's hand would. False when the
  // window ignored it (an operation was still running); a recorded action that went through
  // leaves its whole result in LastResult().
  bool Perform(const ActionRow& row, const ActionInput& input = {});
  // The same in two halves, for a front end that runs an action over its event loop (the
  // window's automatic trim): everything between them is the action's.
  void BeginAction(const ActionRow& row);
  const ActionResult& EndAction();
  // The action begun and not yet ended; null between actions.
  const ActionRow* Running() const { return running_; }
  // A recorded action the station may not run (the MES refused the unit): it fails with `reason`
  // and touches nothing, no bus call, no window state; its result is LastResult().
  const ActionResult& Refuse(const ActionRow& row, Reason reason);
  const ActionResult& LastResult() const { return last_; }
  // The bus calls and message boxes since the last action or the last call: start-up's,
  // shutdown's, an edit's.
  Transcript TakeTranscript();
  // The name of the adapter that start-up opened, as its OpenDevice named it; empty while none
  // is open.
  const std::string& OpenedAdapter() const { return openedAdapter_; }
  // The adapter as records name it: the backend and the adapter opened, e.g. "sim HALYARD-SIM0".
  std::string RecordedAdapter() const { return backendDescription_ + " " + openedAdapter_; }
  // The configuration file as the station read it, once: every part of the station takes its
  // settings from here.
  const ProfileFile& Configuration() const { return form_->Configuration(); }
  std::filesystem::path ConfigurationPath() const { return form_->ConfigurationPath(); }

  // The bus lines since the last call; empty when tracing is off.
  std::vector<std::string> TakeTrace();
  // The simulated bench when it is the backend, else null: tests and the bench's own tools
  // script it.
  SimulatedAdapter* Bench() { return bench_; }
  // A fault of the backend's own files that the operator must hear of (the simulated bench's
  // state file could not be read or written); empty when there is none. Start-up reads the
  // state file and shutdown writes it, so front ends ask after both.
  std::string BackendFault() const;
  // Which backend and adapter the station runs on, e.g. "sim", "i2c:/dev/i2c-1",
  // "driver:/x/libfoo.so (FooDriver 1.0)".
  const std::string& BackendDescription() const { return backendDescription_; }
  // The automatic trim over this station's window and counter, with the [Trim] settings.
  AutoTrim& AutoTrimmer() { return *autoTrim_; }
  // The counter it reads, or null when the station has none.
  FrequencyCounter* Counter() { return counter_.get(); }

 private:
  Station() = default;

  // Declared bottom-up, so Form1 (whose shutdown still closes the adapter) goes first.
  std::vector<BusCall> TakeCalls();

  std::unique_ptr<KeptDialogs> dialogs_;
  std::unique_ptr<TarnelRW> backend_;
  SimulatedAdapter* bench_ = nullptr;
  std::string backendDescription_;
  std::unique_ptr<TracingAdapter> tracer_;
  std::unique_ptr<FrequencyCounter> counter_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<AutoTrim> autoTrim_;
  const ActionRow* running_ = nullptr;  // the action begun and not yet ended
  std::chrono::system_clock::time_point started_;
  ActionResult last_;
  std::string openedAdapter_;
};

}  // namespace halyard
