// Formats one trace line per adapter operation.
#include "adapter/TracingAdapter.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace halyard {

std::string TraceHex2(int value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%02X", static_cast<unsigned>(static_cast<uint16_t>(value)));
  return buf;
}

std::string TraceHex4(int16_t value) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "0x%04X", static_cast<unsigned>(static_cast<uint16_t>(value)));
  return buf;
}

std::string TraceText(const std::string& text) {
  std::string out = "\"";
  for (unsigned char c : text) {
    if (c == '"') {
      out += "\\\"";
    } else if (c < 0x20 || c == 0x7F) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else {
      out += static_cast<char>(c);
    }
  }
  out += '"';
  return out;
}

std::string TraceBytes(const std::vector<uint8_t>& data, int count) {
  const size_t n = std::min(static_cast<size_t>(std::max(count, 0)), data.size());
  std::string out;
  out.reserve(n * 3);
  for (size_t i = 0; i < n; ++i) {
    char buf[4];
    std::snprintf(buf, sizeof buf, "%02X", data[i]);
    if (i > 0) out += ' ';
    out += buf;
  }
  return out;
}

TracingAdapter::TracingAdapter(TarnelRW& inner, Sink sink)
    : inner_(inner), sink_(std::move(sink)) {}

std::vector<std::string> TracingAdapter::TakeLines() {
  return std::exchange(lines_, {});
}

void TracingAdapter::Emit(std::string line) {
  if (sink_) sink_(line);
  lines_.push_back(std::move(line));
}

int16_t TracingAdapter::OpenDevice(const std::string& name) {
  const int16_t status = inner_.OpenDevice(name);
  Emit("OpenDevice name=" + TraceText(name) + " -> " + std::to_string(status));
  return status;
}

void TracingAdapter::CloseDevice() {
  inner_.CloseDevice();
  Emit("CloseDevice");
}

void TracingAdapter::ListDevices(int32_t kind, int32_t& count, std::string& names) {
  inner_.ListDevices(kind, count, names);
  Emit("ListDevices kind=" + std::to_string(kind) + " -> count=" + std::to_string(count) +
       " names=" + TraceText(names));
}

int16_t TracingAdapter::WriteSmbusWord(int16_t command, int16_t word, int16_t device) {
  const int16_t status = inner_.WriteSmbusWord(command, word, device);
  Emit("WriteSmbusWord command=" + TraceHex2(command) + " word=" + TraceHex4(word) +
       " device=" + TraceHex2(device) + " -> " + std::to_string(status));
  return status;
}

int16_t TracingAdapter::ReadSmbusWord(int16_t command, int16_t& word, int16_t device) {
  const int16_t status = inner_.ReadSmbusWord(command, word, device);
  Emit("ReadSmbusWord command=" + TraceHex2(command) + " device=" + TraceHex2(device) + " -> " +
       std::to_string(status) + " word=" + TraceHex4(word));
  return status;
}

int16_t TracingAdapter::WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data,
                                        int16_t count, int16_t device) {
  const int16_t status = inner_.WriteSmbusBlock(command, data, count, device);
  Emit("WriteSmbusBlock command=" + TraceHex2(command) + " count=" + std::to_string(count) +
       " device=" + TraceHex2(device) + " data=" + TraceBytes(data, count) + " -> " +
       std::to_string(status));
  return status;
}

int16_t TracingAdapter::ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                                       int16_t device) {
  const int16_t status = inner_.ReadSmbusBlock(command, data, count, device);
  Emit("ReadSmbusBlock command=" + TraceHex2(command) + " device=" + TraceHex2(device) + " -> " +
       std::to_string(status) + " count=" + std::to_string(count) +
       " data=" + TraceBytes(data, count));
  return status;
}

int16_t TracingAdapter::SendSmbusCommand(int16_t command, int16_t device) {
  const int16_t status = inner_.SendSmbusCommand(command, device);
  Emit("SendSmbusCommand command=" + TraceHex2(command) + " device=" + TraceHex2(device) + " -> " +
       std::to_string(status));
  return status;
}

int16_t TracingAdapter::GetWriteStatus() {
  const int16_t status = inner_.GetWriteStatus();
  Emit("GetWriteStatus -> " + std::to_string(status));
  return status;
}

int16_t TracingAdapter::I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) {
  const int16_t valueIn = value;
  const int16_t status = inner_.I2cAccess(function, device, reg, value);
  Emit("I2cAccess function=" + std::to_string(function) + " device=" + TraceHex2(device) +
       " register=" + TraceHex2(reg) + " value=" + TraceHex4(valueIn) + " -> " +
       std::to_string(status) + " value=" + TraceHex4(value));
  return status;
}

int16_t TracingAdapter::ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) {
  const int16_t status = inner_.ReadSwbWord(kind, reg, value);
  Emit("ReadSwbWord kind=" + std::to_string(kind) + " register=" + TraceHex2(reg) + " -> " +
       std::to_string(status) + " value=" + TraceHex4(value));
  return status;
}

int16_t TracingAdapter::ProgramSrec(std::string& path, std::string& second, std::string& third) {
  // Inputs are recorded as given: the control may change the texts it is handed.
  std::string inputs = "ProgramSrec path=" + TraceText(path) + " second=" + TraceText(second) +
                       " third=" + TraceText(third);
  const int16_t status = inner_.ProgramSrec(path, second, third);
  Emit(std::move(inputs) + " -> " + std::to_string(status));
  return status;
}

int16_t TracingAdapter::GetAdapterVersion(int16_t& first, int16_t& second) {
  const int16_t status = inner_.GetAdapterVersion(first, second);
  Emit("GetAdapterVersion -> " + std::to_string(status) + " first=" + TraceHex4(first) +
       " second=" + TraceHex4(second));
  return status;
}

}  // namespace halyard
