// Matching and answering of the bench's scripted replies and faults, by walking the fields a
// rule gives against the operation table.
#include "sim/BenchRule.h"

#include <unistd.h>

#include <algorithm>
#include <cstdlib>

#include "adapter/Protocol.h"

namespace halyard {
namespace {

bool Same(int32_t want, const CallValues& call, const Param& param) {
  const int32_t got = call.Number(param);
  if (param.width == Width::k16) return static_cast<uint16_t>(want) == static_cast<uint16_t>(got);
  return want == got;
}

bool Same(const std::string& want, const CallValues& call, const Param& param) {
  return want == call.Text(param);
}

bool Same(const std::vector<uint8_t>& want, const CallValues& call, const Param& param) {
  const std::vector<uint8_t>& got = call.Bytes(param);
  return std::equal(want.begin(), want.end(), got.begin(),
                    got.begin() + static_cast<std::ptrdiff_t>(call.BytesUsed(param)));
}

void Put(int32_t given, CallValues& call, const Param& param) {
  call.SetNumber(param, given);
}

void Put(const std::string& given, CallValues& call, const Param& param) {
  call.TextOut(param) = given;
}

void Put(const std::vector<uint8_t>& given, CallValues& call, const Param& param) {
  // Grow the caller's array only as far as the data goes; a scripted count beyond it is
  // reported as given, so callers' guards against such counts can be exercised.
  std::vector<uint8_t>& out = call.BytesOut(param);
  if (out.size() < given.size()) out.resize(given.size());
  std::copy(given.begin(), given.end(), out.begin());
}

}  // namespace

bool RuleMatches(const BenchRule& rule, const CallValues& call) {
  if (rule.op && *rule.op != call.Op()) return false;
  bool matches = true;
  rule.match.ForEach([&](Field field, const auto& want) {
    if (!matches || !want) return;
    const Param* param = call.Input(field);
    matches = param != nullptr && Same(*want, call, *param);
  });
  return matches;
}

void ApplyOutputs(const FieldValues& outputs, CallValues& call) {
  outputs.ForEach([&](Field field, const auto& given) {
    if (!given) return;
    if (const Param* param = call.Output(field)) Put(*given, call, *param);
  });
  const Param* count = call.Output(Field::kCount);
  if (outputs.data && !outputs.count && count != nullptr && call.Output(Field::kData) != nullptr) {
    call.SetNumber(*count, static_cast<int32_t>(outputs.data->size()));
  }
}

void ActOutFault(RuleFault fault) {
  switch (fault) {
    case RuleFault::kNone:
      return;
    case RuleFault::kCrash:
      std::abort();
    case RuleFault::kHang:
      // A call that never comes back; the process stays until something ends it.
      for (;;)
        ::pause();
  }
}

bool IsWriteCall(const CallValues& call) {
  switch (call.Op()) {
    case Operation::kWriteSmbusWord:
    case Operation::kWriteSmbusBlock:
    case Operation::kSendSmbusCommand:
      return true;
    case Operation::kI2cAccess:
      return call.In<int32_t>(Field::kFunction) == kI2cWrite;
    default:
      return false;
  }
}

}  // namespace halyard
