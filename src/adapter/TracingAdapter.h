// Wraps any adapter control and records one line per operation when it returns: the
// operation's name, its inputs, "->", the status, then the outputs, as the operation table
// lists them.
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
  // Every line goes to `sink` (if set) and is kept until TakeLines().
  explicit TracingAdapter(TarnelRW& inner, Sink sink = {});

  std::vector<std::string> TakeLines();
  const std::vector<std::string>& Lines() const { return lines_; }

  int16_t Call(CallValues& call) override;

 private:
  TarnelRW& inner_;
  Sink sink_;
  std::vector<std::string> lines_;
  std::string line_;  // reused, so a line costs one allocation: the copy that is kept
};

}  // namespace halyard
