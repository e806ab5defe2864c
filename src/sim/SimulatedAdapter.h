// The simulated bench: an adapter control with a Halyard controller (memory, silicon version,
// programming, trim firmware with the reserved flash rows) and a test target (I2C memory that
// also answers the SMBus identification block and the SWB words) behind it. Every operation
// passes through one function, where scripted rules answer in the devices' place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "adapter/TarnelRW.h"
#include "sim/BenchFile.h"
#include "sim/BenchRule.h"
#include "sim/Srec.h"

namespace halyard {

// Statuses the bench answers. ProgramSrec answers the values of SrecError (1 to 7) for a bad
// file; OpenDevice answers -1 when it does not open.
namespace sim_status {
inline constexpr int16_t kOk = 0;
inline constexpr int16_t kOpenFailed = -1;      // OpenDevice: unknown name or bad state file
inline constexpr int16_t kNotOpen = 10;         // no OpenDevice yet, or after CloseDevice
inline constexpr int16_t kNoDevice = 11;        // nothing answers at that address
inline constexpr int16_t kUnknownCommand = 12;  // the device does not know the command
inline constexpr int16_t kI2cNoRun = 13;        // I2C read or write outside an open run
inline constexpr int16_t kBadRegister = 14;  // I2C register outside 0..255, SWB outside 0x20..0x8F
inline constexpr int16_t kBadFunction = 15;  // I2C function not 0, 1, 2; function 0 not with 0 or 1
inline constexpr int16_t kBadKind = 16;      // SWB kind other than 2
inline constexpr int16_t kBadArgument = 17;  // a word the command does not accept
inline constexpr int16_t kNoRowSelected = 18;      // row read or write before a row address
inline constexpr int16_t kRowNotArmed = 19;        // row write without 0x11/0x000F first
inline constexpr int16_t kRowWriteProtected = 20;  // row write while bit 3 of 0x0000 is clear
inline constexpr int16_t kBadBlock = 21;           // row write of the wrong size or tail byte
}  // namespace sim_status

// Device addresses behind the adapter.
inline constexpr int kControllerAddress = 0x16;
inline constexpr int kTrimFirmwareAddress = 0x17;
inline constexpr int kTargetI2cAddress = 0xA0;

// One ProgramSrec call that reached the controller.
struct Programming {
  std::string path;            // as the caller gave it
  std::filesystem::path file;  // the file actually opened ('\' turned into '/')
  int16_t status = 0;
  std::string message;  // the reader's reason for a failure
  size_t dataBytes = 0;
};

class SimulatedAdapter final : public TarnelRW {
 public:
  explicit SimulatedAdapter(BenchConfig config = {});

  int16_t OpenDevice(const std::string& name) override;
  void CloseDevice() override;
  void ListDevices(int32_t kind, int32_t& count, std::string& names) override;
  int16_t WriteSmbusWord(int16_t command, int16_t word, int16_t device) override;
  int16_t ReadSmbusWord(int16_t command, int16_t& word, int16_t device) override;
  int16_t WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data, int16_t count,
                          int16_t device) override;
  int16_t ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                         int16_t device) override;
  int16_t SendSmbusCommand(int16_t command, int16_t device) override;
  int16_t GetWriteStatus() override;
  int16_t I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) override;
  int16_t ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) override;
  int16_t ProgramSrec(std::string& path, std::string& second, std::string& third) override;
  int16_t GetAdapterVersion(int16_t& first, int16_t& second) override;

  // Scripting. Rules are tried in the order added (bench-file rules first); the first one that
  // is due answers. Every rule counts the calls it matches, whether or not it answers them.
  void AddRule(BenchRule rule);
  bool AddRuleJson(const std::string& json, std::string& error);
  void ClearRules();
  const std::vector<BenchRule>& Rules() const { return rules_; }

  // Inspection and set-up; the references stay valid as long as the adapter.
  TargetMemory& Target() { return target_; }
  const TargetMemory& Target() const { return target_; }
  std::vector<uint8_t>& ControllerMemory() { return controllerMemory_; }
  const std::vector<uint8_t>& ControllerMemory() const { return controllerMemory_; }
  std::optional<FlashRow> Row(uint16_t address) const;
  void SetRow(uint16_t address, const FlashRow& row) { rows_[address] = row; }
  const std::map<uint16_t, FlashRow>& Rows() const { return rows_; }

  bool IsOpen() const { return open_; }
  bool I2cRunOpen() const { return i2cRunOpen_; }
  bool ImagePresent() const { return imagePresent_; }
  bool TrimRunning() const { return trimRunning_; }
  uint16_t ControllerAddressPointer() const { return memoryAddress_; }
  const std::vector<Programming>& Programmings() const { return programmings_; }
  int SuccessfulProgrammings() const;
  const SrecImage& LastImage() const { return lastImage_; }
  int16_t LastWriteStatus() const { return writeStatus_; }
  uint64_t OperationCount() const { return operations_; }
  uint64_t OperationCount(Operation op) const { return perOperation_[static_cast<size_t>(op)]; }
  // Why the state file could not be read (OpenDevice answered -1) or written (at CloseDevice).
  const std::string& StateError() const { return stateError_; }
  const BenchConfig& Config() const { return config_; }

 private:
  // The one way in: counts the call, applies the rules, checks that the adapter is open and
  // hands the call to the device.
  int16_t Dispatch(CallValues call);
  int16_t Perform(CallValues& call);

  int16_t Open(const std::string& name);
  void Close();
  int16_t SmbusWordWrite(int command, uint16_t word, int device);
  int16_t SmbusWordRead(int command, int16_t& word, int device);
  int16_t SmbusBlockWrite(int command, const std::vector<uint8_t>& data, int count, int device);
  int16_t SmbusBlockRead(int command, std::vector<uint8_t>& data, int16_t& count, int device);
  int16_t SmbusSend(int command, int device);
  int16_t I2c(int32_t function, int device, int reg, int16_t& value);
  int16_t Swb(int32_t kind, int reg, int16_t& value);
  int16_t Program(const std::string& path);
  static void PutBlock(const uint8_t* bytes, size_t size, std::vector<uint8_t>& data,
                       int16_t& count);

  BenchConfig config_;
  std::vector<BenchRule> rules_;

  bool open_ = false;
  TargetMemory target_;
  bool i2cRunOpen_ = false;
  std::vector<uint8_t> controllerMemory_;
  uint16_t memoryAddress_ = 0;
  std::map<uint16_t, FlashRow> rows_;
  bool imagePresent_ = false;
  bool trimRunning_ = false;
  std::optional<uint16_t> rowAddress_;
  bool rowWriteArmed_ = false;
  int16_t writeStatus_ = 0;

  std::vector<Programming> programmings_;
  SrecImage lastImage_;
  uint64_t operations_ = 0;
  std::vector<uint64_t> perOperation_ = std::vector<uint64_t>(kOperationCount, 0);
  std::string stateError_;
};

// Builds the bench: an empty path gives the default bench. On a bad bench file returns nullptr
// and sets `error` to one line naming the file, the place and the reason.
std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapter(const std::string& benchPath,
                                                       std::string& error);
// The same from bench-file text (for tests); a relative state file is taken from `baseDir`.
std::unique_ptr<SimulatedAdapter> MakeSimulatedAdapterFromJson(
    const std::string& json, std::string& error,
    const std::filesystem::path& baseDir = std::filesystem::path("."));

}  // namespace halyard
