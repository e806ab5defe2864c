// An adapter operation as a value, kept by the tracing layer, and the trace line that shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "adapter/Operations.h"

namespace halyard {

// One adapter operation as it happened: inputs as handed in (before the call), outputs and
// status after. An in-out argument (I2cAccess's value) is in both, as it went in and came out.
struct BusCall {
  Operation op = Operation::kOpenDevice;
  int16_t status = 0;   // 0 for CloseDevice and ListDevices, which return none
  FieldValues inputs;   // only the operation's inputs are set; byte fields cut to the call's count
  FieldValues outputs;  // only its outputs are set; byte fields cut to the call's count

  bool operator==(const BusCall&) const = default;
};

// Before the call: the operation and its inputs, into a call of the caller's, newly made, which
// saves moving it where it is kept. The backend may change what it was handed.
void CaptureInputs(const CallValues& call, BusCall& out);
// After the call: its status and outputs.
void CaptureOutputs(const CallValues& call, int16_t status, BusCall& out);

// The trace line: the operation's name, its inputs, "->", the status, then the outputs, in the
// operation table's order, each as " key=value" in its field's form.
std::string TraceLine(const BusCall& call);
void AppendTraceLine(std::string& out, const BusCall& call);
// The trace lines of several calls, in their order.
std::vector<std::string> TraceLines(const std::vector<BusCall>& calls);

// Formatting shared with anything that prints bus values the same way.
std::string TraceHex2(int value);                // "0x16": commands, devices, registers
std::string TraceText(const std::string& text);  // quoted
std::string TraceBytes(const std::vector<uint8_t>& data, int count);  // "00 01 0F"

}  // namespace halyard
