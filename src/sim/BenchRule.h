// Scripted replies and faults of the simulated bench: a rule matches calls of one adapter
// operation by their inputs and, for a stretch of matching calls, answers in the device's place.
// Which inputs and outputs an operation has comes from the operation table.
#pragma once

#include <cstdint>
#include <optional>

#include "adapter/Operations.h"

namespace halyard {

// What the adapter does, besides answering, when a rule answers: a line rehearses with these how
// it copes with an adapter or driver that dies or never returns.
enum class RuleFault : uint8_t {
  kNone,
  kCrash,  // the process ends at once with SIGABRT, as a crashing driver takes it down
  kHang,   // the call never returns
};

struct BenchRule {
  std::optional<Operation> op;  // nullopt: any operation ("*")
  FieldValues match;            // only the inputs given must be equal
  int64_t nth = 1;              // first matching call (1-based) the rule answers
  int64_t times = 1;            // how many matching calls it answers from then on; -1: all
  int16_t status = 0;
  FieldValues outputs;  // outputs not given leave the caller's variables as they were
  RuleFault fault = RuleFault::kNone;

  // Bookkeeping while the bench runs.
  int64_t matched = 0;
  int64_t applied = 0;
};

// True when the call is of the rule's operation and every input the rule names is an input of
// the call and equal: 16-bit inputs by their 16-bit pattern (0xB1E0 matches -20000), bytes by
// the bytes the call's count covers.
bool RuleMatches(const BenchRule& rule, const CallValues& call);

// Writes the outputs a rule gives into the call's variables. A byte array grows only as far as
// the given bytes go; without a given count the call's count reports the bytes given.
void ApplyOutputs(const FieldValues& outputs, CallValues& call);

// Carries out a rule's fault; returns only for kNone.
void ActOutFault(RuleFault fault);

// The calls whose status GetWriteStatus reports afterwards: the SMBus writes and I2C writes.
bool IsWriteCall(const CallValues& call);

}  // namespace halyard
