// Scripted replies and faults of the simulated bench: a rule matches calls of one adapter
// operation by their inputs and, for a stretch of matching calls, answers in the device's place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace halyard {

// The thirteen adapter operations, by the names the bench file uses.
enum class Operation {
  kOpenDevice,
  kCloseDevice,
  kListDevices,
  kWriteSmbusWord,
  kReadSmbusWord,
  kWriteSmbusBlock,
  kReadSmbusBlock,
  kSendSmbusCommand,
  kGetWriteStatus,
  kI2cAccess,
  kReadSwbWord,
  kProgramSrec,
  kGetAdapterVersion,
};
inline constexpr int kOperationCount = 13;

const char* OperationName(Operation op);
std::optional<Operation> OperationFromName(std::string_view name);

// Named inputs of one call. Integer inputs are held as the caller passed them; 16-bit inputs
// (command, word, device, count, register, value) match by their 16-bit pattern, so a rule's
// 0xB1E0 matches the word -20000.
struct CallInputs {
  std::optional<int64_t> command, word, device, count, function, reg, value, kind;
  std::optional<std::string> name, path;
};

// What a rule hands back in the device's place. Outputs not given leave the caller's
// variables as they were.
struct RuleOutputs {
  std::optional<int32_t> count;              // ReadSmbusBlock, ListDevices
  std::optional<std::vector<uint8_t>> data;  // ReadSmbusBlock
  std::optional<int16_t> word;               // ReadSmbusWord
  std::optional<int16_t> value;              // I2cAccess, ReadSwbWord
  std::optional<int16_t> first, second;      // GetAdapterVersion
  std::optional<std::string> names;          // ListDevices
};

struct BenchRule {
  std::optional<Operation> op;  // nullopt: any operation ("*")
  CallInputs match;             // only the inputs given must be equal
  int64_t nth = 1;              // first matching call (1-based) the rule answers
  int64_t times = 1;            // how many matching calls it answers from then on; -1: all
  int16_t status = 0;
  RuleOutputs outputs;

  // Bookkeeping while the bench runs.
  int64_t matched = 0;
  int64_t applied = 0;
};

// The inputs each operation has, by bench-file key ("command", "register", ...).
bool OperationHasInput(Operation op, std::string_view key);
// The outputs each operation has, by bench-file key ("count", "data", ...).
bool OperationHasOutput(Operation op, std::string_view key);

// The calls whose status GetWriteStatus reports afterwards: the SMBus writes and I2C writes.
bool IsWriteCall(Operation op, const CallInputs& inputs);

// True when every input the rule names is present in the call and equal.
bool RuleMatches(const BenchRule& rule, Operation op, const CallInputs& inputs);

}  // namespace halyard
