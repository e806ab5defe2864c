// The backend factory: the adapter control a station runs on, from its one-line description,
// looked up in one registry of backends (Backends.cpp). Each row gives a backend's name, how help
// writes it, a line of help and its maker; halyard-station's and halyardctl's --adapter help and
// the refusal of an unknown backend are written from the rows.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "adapter/TarnelRW.h"
#include "app/Configuration.h"
#include "counter/FrequencyCounter.h"
#include "i2c/KernelI2c.h"

namespace halyard {

class SimulatedAdapter;

struct BackendRequest {
  std::string adapter;                        // a row's name and argument; empty: the first row
  std::optional<std::string> benchPath;       // the bench file; only a row that takes it
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

// Builds a backend from what follows its row's name. False, with the reason in `error`.
using BackendMaker = bool (*)(const BackendRequest& request, std::string_view argument,
                              Backend& backend, std::string& error);

struct BackendRow {
  // "sim": that name alone. Ending in ':' ("i2c:"): every name that starts with it; the rest is
  // the maker's argument.
  std::string_view name;
  std::string_view syntax;  // as help writes it: "i2c:/dev/i2c-N[,map=STATION:BUS]...[,force]"
  std::string_view help;    // one line, no full stop
  BackendMaker make;
  // It is set up by the bench file (--bench), which every other backend refuses. Its refusals
  // are the file's and name the file, so they go out without the backend's name before them.
  bool takesBenchFile = false;
};

// The registry, the default backend first.
std::span<const BackendRow> BackendRows();

// The row that names `adapter` ("i2c:/dev/i2c-1": the "i2c:" row), null when none does.
const BackendRow* FindBackendRow(std::string_view adapter);

// --adapter's help: a line of introduction, then a line per row, syntax and help.
std::string AdapterHelp();

// The configuration file's choice: [Adapter] Backend, in the same form; "" when it has none.
std::string ConfiguredAdapter(const ProfileFile& profile);

// False, with one line naming the backend and the reason in `error`, when it cannot be had.
bool MakeBackend(const BackendRequest& request, Backend& backend, std::string& error);

}  // namespace halyard
