// The simulated bench: an adapter control with a Halyard controller (memory, silicon version,
// programming, trim firmware with the flash rows) and a test target (I2C memory that also
// answers the SMBus identification block and the SWB words) behind it. Every operation passes
// through one function, where scripted rules answer in the devices' place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapter/Operations.h"
#include "adapter/TarnelRW.h"
#include "sim/BenchFile.h"
#include "sim/BenchRule.h"
#include "sim/SimController.h"
#include "sim/SimStatus.h"
#include "sim/SimTarget.h"

namespace halyard {

class SimulatedAdapter final : public TarnelRW {
 public:
  explicit SimulatedAdapter(BenchConfig config = {});
  SimulatedAdapter(const SimulatedAdapter&) = delete;
  SimulatedAdapter& operator=(const SimulatedAdapter&) = delete;

  // The one way in: applies the rules, checks that the adapter is open and hands the call to
  // the device.
  int16_t Call(CallValues& call) override;

  // Scripting. Rules are tried in the order added (bench-file rules first); the first one that
  // is due answers. Every rule counts the calls it matches, whether or not it answers them.
  void AddRule(BenchRule rule) { rules_.push_back(std::move(rule)); }
  bool AddRuleJson(const std::string& json, std::string& error);
  const std::vector<BenchRule>& Rules() const { return rules_; }

  // The devices' state, for tests to read and set; references stay valid as long as the adapter.
  TargetMemory& Target() { return target_.Memory(); }
  const TargetMemory& Target() const { return target_.Memory(); }
  std::vector<uint8_t>& ControllerMemory() { return controller_.Memory(); }
  std::optional<FlashRow> Row(uint16_t address) const;
  void SetRow(uint16_t address, const FlashRow& row) { controller_.Rows()[address] = row; }

  bool IsOpen() const { return open_; }
  bool I2cRunOpen() const { return target_.RunOpen(); }
  // The kind of image the controller was programmed with last.
  ImageKind Image() const { return controller_.Image(); }
  bool TrimRunning() const { return controller_.TrimFirmware().Running(); }
  // What a frequency counter at the controller's oscillator reads; false while the trim
  // firmware does not run. Not a bus operation: rules and the trace never see it.
  bool MeasureOscillator(double& hz) { return controller_.MeasureOscillator(hz); }
  const OscillatorSetup& OscillatorModel() const { return controller_.OscillatorModel(); }
  const std::vector<Programming>& Programmings() const { return controller_.Programmings(); }
  int SuccessfulProgrammings() const;
  // The last fault with the state file, empty when there was none: why it could not be read
  // (OpenDevice answered -1) or written (at CloseDevice, the old file kept). The station can
  // show it; it stays until the state file is next read or written without a fault.
  const std::string& StateError() const { return stateError_; }
  const BenchConfig& Config() const { return config_; }

 private:
  int16_t Perform(CallValues& call);
  SmbusDevice* SmbusAt(int16_t address);

  int16_t Open(const std::string& name);
  void Close();

  BenchConfig config_;
  std::vector<BenchRule> rules_;
  bool open_ = false;
  int16_t writeStatus_ = 0;
  SimTarget target_;
  SimController controller_;
  std::string stateError_;
};

// Builds the bench: an empty path gives the default bench. On a bad bench file returns nullptr
// and sets `error` to one line naming the file, the place and the reason.
std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapter(const std::string& benchPath,
                                                       std::string& error);
// The same for a bench file the operator named: an empty path is refused, not the default.
std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapterFromFile(const std::filesystem::path& path,
                                                               std::string& error);
// The same from bench-file text (for tests); a relative state file is taken from `baseDir`.
std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapterFromJson(
    const std::string& json, std::string& error,
    const std::filesystem::path& baseDir = std::filesystem::path("."));

}  // namespace halyard
