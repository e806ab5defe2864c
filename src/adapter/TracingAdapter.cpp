// Formats one trace line per adapter operation, from the values the call had going in and coming
// out. Lines are built in one reused buffer: tracing sits on every bus transaction.
#include "adapter/TracingAdapter.h"

#include <utility>

namespace halyard {

TracingAdapter::TracingAdapter(TarnelRW& inner, Sink sink)
    : inner_(inner), sink_(std::move(sink)) {}

std::vector<std::string> TracingAdapter::TakeLines() {
  return std::exchange(lines_, {});
}

int16_t TracingAdapter::Call(CallValues& call) {
  // The inputs are kept before the call: the backend may change what it is handed.
  BusCall kept = CaptureInputs(call);
  const int16_t status = inner_.Call(call);
  CaptureOutputs(call, status, kept);
  line_.clear();
  AppendTraceLine(line_, kept);
  if (sink_) sink_(line_);
  lines_.push_back(line_);
  return status;
}

}  // namespace halyard
