// Keeps every adapter operation that passes through as a BusCall, and writes its line to the sink.
#include "adapter/TracingAdapter.h"

#include <utility>

namespace halyard {

TracingAdapter::TracingAdapter(TarnelRW& inner, Sink sink)
    : inner_(inner), sink_(std::move(sink)) {}

int16_t TracingAdapter::Call(CallValues& call) {
  // The inputs are kept before the call: the backend may change what it is handed.
  CaptureInputs(call, calls_.emplace_back());
  const int16_t status = inner_.Call(call);
  BusCall& kept = calls_.back();
  CaptureOutputs(call, status, kept);
  if (sink_) {
    line_.clear();
    AppendTraceLine(line_, kept);
    sink_(line_);
  }
  return status;
}

std::vector<BusCall> TracingAdapter::TakeCalls() {
  return std::exchange(calls_, {});
}

std::vector<std::string> TracingAdapter::TakeLines() {
  return TraceLines(TakeCalls());
}

}  // namespace halyard
