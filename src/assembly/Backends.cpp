// The registry of adapter backends: a row and a maker each. A new backend is a row here, its
// maker beside it, and its library linked in this folder's CMakeLists.txt (HACKING.md).
#include <array>

#include "assembly/Backend.h"
#include "driver/DriverHost.h"
#include "driver/SimDriverCounter.h"
#include "i2c/I2cDevAdapter.h"
#include "sim/SimCounter.h"
#include "sim/SimulatedAdapter.h"

namespace halyard {

namespace {

bool MakeSim(const BackendRequest& request, std::string_view /*argument*/, Backend& backend,
             std::string& error) {
  // A bench file named on purpose must be one, even an empty name: only no --bench at all
  // means the default bench.
  std::unique_ptr<SimulatedAdapter> bench =
      request.benchPath ? MakeSimulatedAdapterFromFile(*request.benchPath, error)
                        : MakeSimulatedAdapter("", error);
  if (!bench) return false;
  backend.bench = bench.get();
  backend.counter = std::make_unique<SimCounter>(*bench);
  backend.control = std::move(bench);
  return true;
}

bool MakeI2c(const BackendRequest& request, std::string_view argument, Backend& backend,
             std::string& error) {
  i2c::I2cSettings settings;
  if (!i2c::ParseI2cSettings(std::string(argument), settings, error)) return false;
  std::shared_ptr<i2c::KernelI2c> kernel =
      request.i2cKernel ? request.i2cKernel : i2c::MakeSystemKernelI2c();
  if (!i2c::I2cDevAdapter::Probe(*kernel, settings.device, error)) return false;
  backend.control = std::make_unique<i2c::I2cDevAdapter>(std::move(kernel), std::move(settings));
  return true;
}

bool MakeDriver(const BackendRequest& /*request*/, std::string_view argument, Backend& backend,
                std::string& error) {
  // The library's path ends at the first comma; everything after it is the driver's.
  const size_t comma = argument.find(',');
  const std::string path(argument.substr(0, comma));
  const std::string driverArgument(comma == std::string_view::npos ? std::string_view()
                                                                   : argument.substr(comma + 1));
  if (path.empty()) {
    error = "no driver library named (e.g. driver:/path/to/libdriver.so)";
    return false;
  }
  std::unique_ptr<DriverHost> host = DriverHost::Load(path, driverArgument, error);
  if (!host) return false;
  backend.description = "driver:" + path + " (" + host->Name() + ")";
  // The simulated bench as a driver brings its counter along; other drivers have none.
  backend.counter = MakeSimDriverCounter(*host);
  backend.control = std::move(host);
  return true;
}

constexpr std::array kRows = {
    BackendRow{
        .name = "sim",
        .syntax = "sim",
        .help = "the simulated bench, with its own frequency counter; --bench FILE sets it up",
        .make = MakeSim,
        .takesBenchFile = true},
    BackendRow{.name = "i2c:",
               .syntax = "i2c:/dev/i2c-N[,map=STATION:BUS]...[,force]",
               .help = "real SMBus/I2C hardware through Linux's i2c-dev: no SWB, programming or "
                       "adapter version",
               .make = MakeI2c},
    BackendRow{.name = "driver:",
               .syntax = "driver:LIBRARY[,ARGUMENT]",
               .help = "an adapter driver, a shared library behind include/halyard/driver.h",
               .make = MakeDriver},
};

}  // namespace

std::span<const BackendRow> BackendRows() {
  return kRows;
}

}  // namespace halyard
