// The backend factory: the adapter control a station runs on, from its one-line description.
//   sim                          the simulated bench (the default; --bench FILE sets it up)
//   i2c:DEVICE[,OPTION...]       Linux i2c-dev, e.g. i2c:/dev/i2c-1,map=0x17:0x0C
//   driver:LIBRARY[,ARGUMENT]    an adapter driver; ARGUMENT (which may hold commas) is its own
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "adapter/TarnelRW.h"
#include "app/Configuration.h"
#include "counter/FrequencyCounter.h"
#include "i2c/KernelI2c.h"

namespace halyard {

class SimulatedAdapter;

struct BackendRequest {
  std::string adapter;                        // as above; empty: "sim"
  std::optional<std::string> benchPath;       // the bench file; only the simulated bench takes one
  std::shared_ptr<i2c::KernelI2c> i2cKernel;  // the kernel i2c-dev calls; null: the system's
};

struct Backend {
  std::unique_ptr<TarnelRW> control;
  SimulatedAdapter* bench = nullptr;  // the control, when it is the bench in this process
  // The backend's own frequency counter ("--counter sim"), null when it has none. It reads the
  // control's adapter, so it goes before the control.
  std::unique_ptr<FrequencyCounter> counter;
  // Which backend and adapter: "sim", "i2c:/dev/i2c-1", "driver:/x/libfoo.so (FooDriver 1.0)".
  std::string description;
};

// The configuration file's choice: [Adapter] Backend, in the same form; "" when it has none.
std::string ConfiguredAdapter(const ProfileFile& profile);

// False, with one line naming the backend and the reason in `error`, when it cannot be had.
bool MakeBackend(const BackendRequest& request, Backend& backend, std::string& error);

}  // namespace halyard
