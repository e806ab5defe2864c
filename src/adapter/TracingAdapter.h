// Wraps any adapter control and keeps each operation as a BusCall: its inputs as handed in, its
// status and outputs as they came back. The trace line of each (adapter/BusCall.h) goes to a
// sink as the operation returns.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "adapter/BusCall.h"
#include "adapter/Operations.h"
#include "adapter/TarnelRW.h"

namespace halyard {

class TracingAdapter final : public TarnelRW {
 public:
  using Sink = std::function<void(const std::string&)>;
  // Every line goes to `sink` (if set) as its operation returns; every call is kept until taken.
  explicit TracingAdapter(TarnelRW& inner, Sink sink = {});

  int16_t Call(CallValues& call) override;

  // The calls kept since the last take, oldest first. Taking the calls or the lines takes both.
  std::vector<BusCall> TakeCalls();
  const std::vector<BusCall>& Calls() const { return calls_; }
  // The same calls as trace lines, as the sink had them.
  std::vector<std::string> TakeLines();
  std::vector<std::string> Lines() const { return TraceLines(calls_); }

 private:
  TarnelRW& inner_;
  Sink sink_;
  std::vector<BusCall> calls_;
  std::string line_;  // the sink's line, built in one reused buffer
};

}  // namespace halyard
