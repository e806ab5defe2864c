// Formats one trace line per adapter operation by walking the operation table. Lines are built
// in one reused buffer with a hand-written formatter: tracing sits on every bus transaction.
#include "adapter/TracingAdapter.h"

#include <algorithm>
#include <charconv>
#include <utility>

namespace halyard {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

void AppendHexDigits(std::string& out, unsigned value, int digits) {
  char buf[8];
  for (int i = digits - 1; i >= 0; --i) {
    buf[i] = kHexDigits[value & 0xF];
    value >>= 4;
  }
  out.append(buf, static_cast<size_t>(digits));
}

}  // namespace

void AppendTraceHex2(std::string& out, int value) {
  // Two digits at least, as many as the 16-bit pattern needs.
  const unsigned pattern = static_cast<uint16_t>(value);
  const int digits = pattern > 0xFFF ? 4 : pattern > 0xFF ? 3 : 2;
  out += "0x";
  AppendHexDigits(out, pattern, digits);
}

void AppendTraceHex4(std::string& out, int16_t value) {
  out += "0x";
  AppendHexDigits(out, static_cast<uint16_t>(value), 4);
}

void AppendTraceText(std::string& out, const std::string& text) {
  out += '"';
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    if (c == '"') {
      out += "\\\"";
    } else if (c < 0x20 || c == 0x7F) {
      out += "\\x";
      AppendHexDigits(out, c, 2);
    } else {
      out += ch;
    }
  }
  out += '"';
}

void AppendTraceBytes(std::string& out, const uint8_t* data, size_t size) {
  if (size == 0) return;
  const size_t start = out.size();
  out.resize(start + size * 3 - 1);
  char* p = out.data() + start;
  for (size_t i = 0; i < size; ++i) {
    if (i > 0) *p++ = ' ';
    *p++ = kHexDigits[data[i] >> 4];
    *p++ = kHexDigits[data[i] & 0xF];
  }
}

void AppendTraceDecimal(std::string& out, int32_t value) {
  char buf[12];
  const std::to_chars_result end = std::to_chars(buf, buf + sizeof buf, value);
  out.append(buf, end.ptr);
}

void AppendTraceField(std::string& out, const CallValues& call, const Param& param) {
  out += ' ';
  out += Describe(param.field).key;
  out += '=';
  switch (Describe(param.field).form) {
    case Form::kDecimal:
      AppendTraceDecimal(out, call.Number(param));
      break;
    case Form::kHex2:
      AppendTraceHex2(out, call.Number(param));
      break;
    case Form::kHex4:
      AppendTraceHex4(out, static_cast<int16_t>(call.Number(param)));
      break;
    case Form::kText:
      AppendTraceText(out, call.Text(param));
      break;
    case Form::kBytes:
      AppendTraceBytes(out, call.Bytes(param).data(), call.BytesUsed(param));
      break;
  }
}

std::string TraceHex2(int value) {
  std::string out;
  AppendTraceHex2(out, value);
  return out;
}

std::string TraceHex4(int16_t value) {
  std::string out;
  AppendTraceHex4(out, value);
  return out;
}

std::string TraceText(const std::string& text) {
  std::string out;
  out.reserve(text.size() + 2);
  AppendTraceText(out, text);
  return out;
}

std::string TraceBytes(const std::vector<uint8_t>& data, int count) {
  std::string out;
  AppendTraceBytes(out, data.data(),
                   std::min(static_cast<size_t>(std::max(count, 0)), data.size()));
  return out;
}

TracingAdapter::TracingAdapter(TarnelRW& inner, Sink sink)
    : inner_(inner), sink_(std::move(sink)) {}

std::vector<std::string> TracingAdapter::TakeLines() {
  return std::exchange(lines_, {});
}

template <typename Invoke>
int16_t TracingAdapter::Trace(const CallValues& call, Invoke&& invoke) {
  const OperationInfo& info = call.Info();
  line_.assign(info.name);
  for (const Param& param : info.inputs)
    AppendTraceField(line_, call, param);
  const int16_t status = invoke();
  if (info.returnsStatus || info.outputs.size() > 0) line_ += " ->";
  if (info.returnsStatus) {
    line_ += ' ';
    AppendTraceDecimal(line_, status);
  }
  for (const Param& param : info.outputs)
    AppendTraceField(line_, call, param);
  if (sink_) sink_(line_);
  lines_.push_back(line_);
  return status;
}

int16_t TracingAdapter::OpenDevice(const std::string& name) {
  return Trace(CallValues::Bind<Operation::kOpenDevice>(name),
               [&] { return inner_.OpenDevice(name); });
}

void TracingAdapter::CloseDevice() {
  Trace(CallValues::Bind<Operation::kCloseDevice>(), [&] {
    inner_.CloseDevice();
    return int16_t{0};
  });
}

void TracingAdapter::ListDevices(int32_t kind, int32_t& count, std::string& names) {
  Trace(CallValues::Bind<Operation::kListDevices>(kind, count, names), [&] {
    inner_.ListDevices(kind, count, names);
    return int16_t{0};
  });
}

int16_t TracingAdapter::WriteSmbusWord(int16_t command, int16_t word, int16_t device) {
  return Trace(CallValues::Bind<Operation::kWriteSmbusWord>(command, word, device),
               [&] { return inner_.WriteSmbusWord(command, word, device); });
}

int16_t TracingAdapter::ReadSmbusWord(int16_t command, int16_t& word, int16_t device) {
  return Trace(CallValues::Bind<Operation::kReadSmbusWord>(command, word, device),
               [&] { return inner_.ReadSmbusWord(command, word, device); });
}

int16_t TracingAdapter::WriteSmbusBlock(int16_t command, const std::vector<uint8_t>& data,
                                        int16_t count, int16_t device) {
  return Trace(CallValues::Bind<Operation::kWriteSmbusBlock>(command, data, count, device),
               [&] { return inner_.WriteSmbusBlock(command, data, count, device); });
}

int16_t TracingAdapter::ReadSmbusBlock(int16_t command, std::vector<uint8_t>& data, int16_t& count,
                                       int16_t device) {
  return Trace(CallValues::Bind<Operation::kReadSmbusBlock>(command, data, count, device),
               [&] { return inner_.ReadSmbusBlock(command, data, count, device); });
}

int16_t TracingAdapter::SendSmbusCommand(int16_t command, int16_t device) {
  return Trace(CallValues::Bind<Operation::kSendSmbusCommand>(command, device),
               [&] { return inner_.SendSmbusCommand(command, device); });
}

int16_t TracingAdapter::GetWriteStatus() {
  return Trace(CallValues::Bind<Operation::kGetWriteStatus>(),
               [&] { return inner_.GetWriteStatus(); });
}

int16_t TracingAdapter::I2cAccess(int32_t function, int16_t device, int16_t reg, int16_t& value) {
  return Trace(CallValues::Bind<Operation::kI2cAccess>(function, device, reg, value),
               [&] { return inner_.I2cAccess(function, device, reg, value); });
}

int16_t TracingAdapter::ReadSwbWord(int32_t kind, int16_t reg, int16_t& value) {
  return Trace(CallValues::Bind<Operation::kReadSwbWord>(kind, reg, value),
               [&] { return inner_.ReadSwbWord(kind, reg, value); });
}

int16_t TracingAdapter::ProgramSrec(std::string& path, std::string& second, std::string& third) {
  return Trace(CallValues::Bind<Operation::kProgramSrec>(path, second, third),
               [&] { return inner_.ProgramSrec(path, second, third); });
}

int16_t TracingAdapter::GetAdapterVersion(int16_t& first, int16_t& second) {
  return Trace(CallValues::Bind<Operation::kGetAdapterVersion>(first, second),
               [&] { return inner_.GetAdapterVersion(first, second); });
}

}  // namespace halyard
