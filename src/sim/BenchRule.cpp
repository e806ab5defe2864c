// Names and matching of the bench's scripted replies and faults.
#include "sim/BenchRule.h"

#include <array>

namespace halyard {
namespace {

struct OperationInfo {
  Operation op;
  const char* name;
  std::vector<std::string_view> inputs;
  std::vector<std::string_view> outputs;
};

const std::array<OperationInfo, kOperationCount>& Table() {
  static const std::array<OperationInfo, kOperationCount> kTable = {{
      {Operation::kOpenDevice, "OpenDevice", {"name"}, {}},
      {Operation::kCloseDevice, "CloseDevice", {}, {}},
      {Operation::kListDevices, "ListDevices", {"kind"}, {"count", "names"}},
      {Operation::kWriteSmbusWord, "WriteSmbusWord", {"command", "word", "device"}, {}},
      {Operation::kReadSmbusWord, "ReadSmbusWord", {"command", "device"}, {"word"}},
      {Operation::kWriteSmbusBlock, "WriteSmbusBlock", {"command", "count", "device"}, {}},
      {Operation::kReadSmbusBlock, "ReadSmbusBlock", {"command", "device"}, {"count", "data"}},
      {Operation::kSendSmbusCommand, "SendSmbusCommand", {"command", "device"}, {}},
      {Operation::kGetWriteStatus, "GetWriteStatus", {}, {}},
      {Operation::kI2cAccess, "I2cAccess", {"function", "device", "register", "value"}, {"value"}},
      {Operation::kReadSwbWord, "ReadSwbWord", {"kind", "register"}, {"value"}},
      {Operation::kProgramSrec, "ProgramSrec", {"path"}, {}},
      {Operation::kGetAdapterVersion, "GetAdapterVersion", {}, {"first", "second"}},
  }};
  return kTable;
}

const OperationInfo& Info(Operation op) {
  return Table()[static_cast<size_t>(op)];
}

bool Same16(const std::optional<int64_t>& want, const std::optional<int64_t>& got) {
  if (!want) return true;
  return got && static_cast<uint16_t>(*want) == static_cast<uint16_t>(*got);
}

bool Same32(const std::optional<int64_t>& want, const std::optional<int64_t>& got) {
  if (!want) return true;
  return got && static_cast<int32_t>(*want) == static_cast<int32_t>(*got);
}

bool SameText(const std::optional<std::string>& want, const std::optional<std::string>& got) {
  if (!want) return true;
  return got && *want == *got;
}

}  // namespace

const char* OperationName(Operation op) {
  return Info(op).name;
}

std::optional<Operation> OperationFromName(std::string_view name) {
  for (const OperationInfo& info : Table()) {
    if (name == info.name) return info.op;
  }
  return std::nullopt;
}

bool IsWriteCall(Operation op, const CallInputs& inputs) {
  return op == Operation::kWriteSmbusWord || op == Operation::kWriteSmbusBlock ||
         op == Operation::kSendSmbusCommand ||
         (op == Operation::kI2cAccess && inputs.function == 1);
}

bool OperationHasInput(Operation op, std::string_view key) {
  for (std::string_view input : Info(op).inputs) {
    if (input == key) return true;
  }
  return false;
}

bool OperationHasOutput(Operation op, std::string_view key) {
  for (std::string_view output : Info(op).outputs) {
    if (output == key) return true;
  }
  return false;
}

bool RuleMatches(const BenchRule& rule, Operation op, const CallInputs& inputs) {
  if (rule.op && *rule.op != op) return false;
  const CallInputs& m = rule.match;
  return Same16(m.command, inputs.command) && Same16(m.word, inputs.word) &&
         Same16(m.device, inputs.device) && Same16(m.count, inputs.count) &&
         Same32(m.function, inputs.function) && Same16(m.reg, inputs.reg) &&
         Same16(m.value, inputs.value) && Same32(m.kind, inputs.kind) &&
         SameText(m.name, inputs.name) && SameText(m.path, inputs.path);
}

}  // namespace halyard
