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
#include "app/Form1.h"
#include "autotrim/AutoTrim.h"
#include "counter/FrequencyCounter.h"
#include "i2c/KernelI2c.h"

namespace halyard {

class SimulatedAdapter;

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
  AppInfo app;                     // title, program path, configuration file
  bool trace = true;               // put the tracing layer between Form1 and the backend
  TracingAdapter::Sink traceSink;  // each bus line as the operation returns; may be empty
};

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
  std::unique_ptr<TarnelRW> backend_;
  SimulatedAdapter* bench_ = nullptr;
  std::string backendDescription_;
  std::unique_ptr<TracingAdapter> tracer_;
  std::unique_ptr<FrequencyCounter> counter_;
  std::unique_ptr<Form1> form_;
  std::unique_ptr<AutoTrim> autoTrim_;
};

}  // namespace halyard
