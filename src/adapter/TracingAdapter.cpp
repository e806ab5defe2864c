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
    sunkLines_.push_back(line_);
    sink_(line_);
  }
  return status;
}

std::vector<BusCall> TracingAdapter::TakeCalls() {
  sunkLines_.clear();
  return std::exchange(calls_, {});
}

std::vector<std::string> TracingAdapter::TakeLines() {
  std::vector<std::string> lines = sink_ ? std::exchange(sunkLines_, {}) : Lines();
  calls_.clear();
  return lines;
}

std::vector<std::string> TracingAdapter::Lines() const {
  if (sink_) return sunkLines_;
  // Each line is built in one buffer and copied out, so it costs one allocation of its size
  // instead of one per doubling of a string of its own.
  std::vector<std::string> lines;
  lines.reserve(calls_.size());
  std::string line;
  for (const BusCall& call : calls_) {
    line.clear();
    AppendTraceLine(line, call);
    lines.push_back(line);
  }
  return lines;
}

}  // namespace halyard
