// Formats one trace line per adapter operation by walking the operation table. Lines are built
// in one reused buffer with a hand-written formatter: tracing sits on every bus transaction.
#include "adapter/TracingAdapter.h"

#include <utility>

namespace halyard {
namespace {

// One field of a call as the trace shows it: " key=value".
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

}  // namespace

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
