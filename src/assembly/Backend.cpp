// Building the chosen backend.
#include "assembly/Backend.h"

#include <string_view>

#include "driver/DriverHost.h"
#include "i2c/I2cDevAdapter.h"
#include "sim/SimCounter.h"
#include "sim/SimulatedAdapter.h"

namespace halyard {

namespace {

constexpr std::string_view kSim = "sim";
constexpr std::string_view kI2c = "i2c:";
constexpr std::string_view kDriver = "driver:";

bool MakeI2c(const BackendRequest& request, std::string_view text, Backend& backend,
             std::string& error) {
  i2c::I2cSettings settings;
  if (!i2c::ParseI2cSettings(std::string(text), settings, error)) return false;
  std::shared_ptr<i2c::KernelI2c> kernel =
      request.i2cKernel ? request.i2cKernel : i2c::MakeSystemKernelI2c();
  if (!i2c::I2cDevAdapter::Probe(*kernel, settings.device, error)) return false;
  backend.control = std::make_unique<i2c::I2cDevAdapter>(std::move(kernel), std::move(settings));
  return true;
}

bool MakeDriver(std::string_view text, Backend& backend, std::string& error) {
  // The library's path ends at the first comma; everything after it is the driver's.
  const size_t comma = text.find(',');
  const std::string path(text.substr(0, comma));
  const std::string argument(comma == std::string_view::npos ? std::string_view()
                                                             : text.substr(comma + 1));
  if (path.empty()) {
    error = "no driver library named (e.g. driver:/path/to/libdriver.so)";
    return false;
  }
  std::unique_ptr<DriverHost> host = DriverHost::Load(path, argument, error);
  if (!host) return false;
  backend.description = std::string(kDriver) + path + " (" + host->Name() + ")";
  backend.control = std::move(host);
  return true;
}

}  // namespace

std::string ConfiguredAdapter(const ProfileFile& profile) {
  return profile.Get("Adapter", "Backend");
}

bool MakeBackend(const BackendRequest& request, Backend& backend, std::string& error) {
  const std::string_view adapter = request.adapter.empty() ? kSim : request.adapter;
  backend = Backend{};
  backend.description = std::string(adapter);
  bool made = false;
  if (adapter == kSim) {
    // A bench file named on purpose must be one, even an empty name: only no --bench at all
    // means the default bench.
    std::unique_ptr<SimulatedAdapter> bench =
        request.benchPath ? MakeSimulatedAdapterFromFile(*request.benchPath, error)
                          : MakeSimulatedAdapter("", error);
    backend.bench = bench.get();
    if (bench) backend.counter = std::make_unique<SimCounter>(*bench);
    backend.control = std::move(bench);
    return backend.control != nullptr;
  }
  if (request.benchPath) {
    error = "a bench file works only with the simulated bench (adapter sim), not with " +
            std::string(adapter);
    return false;
  }
  if (adapter.starts_with(kI2c)) {
    made = MakeI2c(request, adapter.substr(kI2c.size()), backend, error);
  } else if (adapter.starts_with(kDriver)) {
    made = MakeDriver(adapter.substr(kDriver.size()), backend, error);
  } else {
    error = "unknown adapter backend (use sim, i2c:DEVICE or driver:LIBRARY[,ARGUMENT])";
  }
  if (!made) error = "adapter " + std::string(adapter) + ": " + error;
  return made;
}

}  // namespace halyard
