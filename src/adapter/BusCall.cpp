// Capturing an adapter operation's values, and its trace line, by walking the operation table.
// Lines are built with a hand-written formatter into a caller's buffer: tracing sits on every
// bus transaction.
#include "adapter/BusCall.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <iterator>
#include <string_view>
#include <type_traits>

namespace halyard {
namespace {

constexpr char kTraceHexDigits[] = "0123456789ABCDEF";

// Each byte's two digits, looked up at once: a block is most of a line.
constexpr std::array<std::array<char, 2>, 256> kTraceBytePairs = [] {
  std::array<std::array<char, 2>, 256> pairs{};
  for (size_t i = 0; i < pairs.size(); ++i)
    pairs[i] = {kTraceHexDigits[i >> 4], kTraceHexDigits[i & 0xF]};
  return pairs;
}();

// Each field's " key=", so that a number field goes to the line as one append of a short buffer.
constexpr std::string_view kTraceKeys[] = {
#define HALYARD_TRACE_KEY(id, member, key, form) " " key "=",
    HALYARD_OPERATION_FIELDS(HALYARD_TRACE_KEY)
#undef HALYARD_TRACE_KEY
};
constexpr size_t kLongestTraceKey =
    std::max_element(std::begin(kTraceKeys), std::end(kTraceKeys),
                     [](std::string_view a, std::string_view b) { return a.size() < b.size(); })
        ->size();
// The longest number: "-2147483648"; "0xFFFF" is shorter.
constexpr size_t kLongestTraceNumber = 11;

// The writers below put a value at `p` and return the end of what they wrote.
char* PutHexDigits(char* p, unsigned value, int digits) {
  for (int i = digits - 1; i >= 0; --i) {
    p[i] = kTraceHexDigits[value & 0xF];
    value >>= 4;
  }
  return p + digits;
}

char* PutHex2(char* p, int value) {
  // Two digits at least, as many as the 16-bit pattern needs.
  const unsigned pattern = static_cast<uint16_t>(value);
  const int digits = pattern > 0xFFF ? 4 : pattern > 0xFF ? 3 : 2;
  *p++ = '0';
  *p++ = 'x';
  return PutHexDigits(p, pattern, digits);
}

char* PutHex4(char* p, int16_t value) {
  *p++ = '0';
  *p++ = 'x';
  return PutHexDigits(p, static_cast<uint16_t>(value), 4);
}

char* PutDecimal(char* p, int32_t value) {
  return std::to_chars(p, p + kLongestTraceNumber, value).ptr;
}

char* PutNumber(char* p, Form form, int32_t number) {
  switch (form) {
    case Form::kHex2:
      return PutHex2(p, number);
    case Form::kHex4:
      return PutHex4(p, static_cast<int16_t>(number));
    default:  // kDecimal: the table gives numbers no other form
      return PutDecimal(p, number);
  }
}

void AppendRange(std::string& out, const char* begin, const char* end) {
  out.append(begin, static_cast<size_t>(end - begin));
}

void AppendTraceHex2(std::string& out, int value) {
  char buf[kLongestTraceNumber];
  AppendRange(out, buf, PutHex2(buf, value));
}

void AppendTraceText(std::string& out, const std::string& text) {
  // Plain characters go in runs; a quote and control characters are escaped.
  out += '"';
  size_t run = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c != '"' && c >= 0x20 && c != 0x7F) continue;
    out.append(text, run, i - run);
    run = i + 1;
    if (c == '"') {
      out += "\\\"";
    } else {
      char buf[4] = {'\\', 'x'};
      AppendRange(out, buf, PutHexDigits(buf + 2, c, 2));
    }
  }
  out.append(text, run);
  out += '"';
}

void AppendTraceBytes(std::string& out, const uint8_t* data, size_t size) {
  if (size == 0) return;
  const size_t start = out.size();
  out.resize(start + size * 3 - 1);
  char* p = out.data() + start;
  for (size_t i = 0; i + 1 < size; ++i, p += 3) {
    std::copy_n(kTraceBytePairs[data[i]].data(), 2, p);
    p[2] = ' ';
  }
  std::copy_n(kTraceBytePairs[data[size - 1]].data(), 2, p);
}

// A byte field is kept only as far as the call's count reaches, as the trace shows it. The
// table gives each field the member type of its width.
void CaptureField(FieldValues& values, const CallValues& call, const Param& param) {
  values.With(param.field, [&](auto& member) {
    using Value = typename std::decay_t<decltype(member)>::value_type;
    if constexpr (std::is_same_v<Value, int32_t>) {
      member = call.Number(param);
    } else if constexpr (std::is_same_v<Value, std::string>) {
      member.emplace(call.Text(param));
    } else {
      const uint8_t* bytes = call.Bytes(param).data();
      member.emplace(bytes, bytes + call.BytesUsed(param));
    }
  });
}

// " key=value"; a field the call was not captured with shows no value.
void AppendTraceField(std::string& out, const FieldValues& values, const Param& param) {
  const std::string_view key = kTraceKeys[static_cast<size_t>(param.field)];
  values.With(param.field, [&](const auto& member) {
    using Value = std::decay_t<decltype(*member)>;
    if constexpr (std::is_same_v<Value, int32_t>) {
      char buf[kLongestTraceKey + kLongestTraceNumber];
      char* end = std::copy(key.begin(), key.end(), buf);
      if (member) end = PutNumber(end, Describe(param.field).form, *member);
      AppendRange(out, buf, end);
    } else if constexpr (std::is_same_v<Value, std::string>) {
      out += key;
      if (member) AppendTraceText(out, *member);
    } else {
      out += key;
      if (member) AppendTraceBytes(out, member->data(), member->size());
    }
  });
}

}  // namespace

void CaptureInputs(const CallValues& call, BusCall& out) {
  out.op = call.Op();
  for (const Param& param : call.Info().inputs)
    CaptureField(out.inputs, call, param);
}

void CaptureOutputs(const CallValues& call, int16_t status, BusCall& out) {
  const OperationInfo& info = call.Info();
  out.status = info.returnsStatus ? status : int16_t{0};
  for (const Param& param : info.outputs)
    CaptureField(out.outputs, call, param);
}

void AppendTraceLine(std::string& out, const BusCall& call) {
  const OperationInfo& info = Describe(call.op);
  out += info.name;
  for (const Param& param : info.inputs)
    AppendTraceField(out, call.inputs, param);
  if (info.returnsStatus) {
    char buf[4 + kLongestTraceNumber] = {' ', '-', '>', ' '};
    AppendRange(out, buf, PutDecimal(buf + 4, call.status));
  } else if (info.outputs.size() > 0) {
    out += " ->";
  }
  for (const Param& param : info.outputs)
    AppendTraceField(out, call.outputs, param);
}

std::string TraceLine(const BusCall& call) {
  std::string line;
  AppendTraceLine(line, call);
  return line;
}

std::vector<std::string> TraceLines(const std::vector<BusCall>& calls) {
  // Each line is built in one buffer and copied out, so it costs one allocation of its size
  // instead of one per doubling of a string of its own.
  std::vector<std::string> lines;
  lines.reserve(calls.size());
  std::string line;
  for (const BusCall& call : calls) {
    line.clear();
    AppendTraceLine(line, call);
    lines.push_back(line);
  }
  return lines;
}

std::string TraceHex2(int value) {
  std::string out;
  AppendTraceHex2(out, value);
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

}  // namespace halyard
