// The thirteen adapter operations, described once: each operation's name, and its inputs and
// outputs, each with its bench-file key and trace name, its width and the argument of the call
// that carries it. The trace format, the simulated bench's rules and a driver's marshalling walk
// this table, so a field added here is traced, matched and scripted alike.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

namespace halyard {

enum class Operation : uint8_t {
  kOpenDevice,
  kCloseDevice,
  kListDevices,
  kWriteSmbusWord,
  kReadSmbusWord,
  kWriteSmbusBlock,
  kReadSmbusBlock,
  kSendSmbusCommand,
  kGetWriteStatus,
  kI2cAccess,
  kReadSwbWord,
  kProgramSrec,
  kGetAdapterVersion,
};
inline constexpr size_t kOperationCount = 13;

// How a value travels in a call: the C++ type of its argument.
enum class Width : uint8_t { k16, k32, kText, kBytes };  // int16_t, int32_t, string, byte vector

// How the trace shows a field: decimal; hexadecimal with at least two or exactly four digits
// ("0x16", "0xB1E0"); a quoted text; bytes as spaced pairs, cut to the call's `count`.
enum class Form : uint8_t { kDecimal, kHex2, kHex4, kText, kBytes };

// Every field any operation has: id, member of FieldValues, bench-file key and trace name, and
// form. The same key may name two fields of different widths in different operations
// ("second": ProgramSrec's text, GetAdapterVersion's word).
// clang-format off
#define HALYARD_OPERATION_FIELDS(X)                  \
  X(kName,       name,       "name",     kText)      \
  X(kKind,       kind,       "kind",     kDecimal)   \
  X(kCount,      count,      "count",    kDecimal)   \
  X(kNames,      names,      "names",    kText)      \
  X(kCommand,    command,    "command",  kHex2)      \
  X(kWord,       word,       "word",     kHex4)      \
  X(kDevice,     device,     "device",   kHex2)      \
  X(kData,       data,       "data",     kBytes)     \
  X(kFunction,   function,   "function", kDecimal)   \
  X(kRegister,   reg,        "register", kHex2)      \
  X(kValue,      value,      "value",    kHex4)      \
  X(kPath,       path,       "path",     kText)      \
  X(kSecondText, secondText, "second",   kText)      \
  X(kThird,      third,      "third",    kText)      \
  X(kFirst,      first,      "first",    kHex4)      \
  X(kSecond,     second,     "second",   kHex4)
// clang-format on

enum class Field : uint8_t {
#define HALYARD_FIELD_ID(id, member, key, form) id,
  HALYARD_OPERATION_FIELDS(HALYARD_FIELD_ID)
#undef HALYARD_FIELD_ID
};

struct FieldInfo {
  std::string_view key;
  Form form;
};

inline constexpr FieldInfo kFields[] = {
#define HALYARD_FIELD_INFO(id, member, key, form) {key, Form::form},
    HALYARD_OPERATION_FIELDS(HALYARD_FIELD_INFO)
#undef HALYARD_FIELD_INFO
};
inline constexpr size_t kFieldCount = std::size(kFields);

constexpr const FieldInfo& Describe(Field field) {
  return kFields[static_cast<size_t>(field)];
}

// One field of one operation, and the argument of the call (from 0) that carries it.
struct Param {
  Field field;
  Width width;
  uint8_t arg;
};

inline constexpr size_t kMaxArgs = 4;

class ParamList {
 public:
  constexpr ParamList() = default;
  constexpr ParamList(std::initializer_list<Param> params) {
    for (const Param& param : params)
      items_[size_++] = param;
  }
  constexpr const Param* begin() const { return items_.data(); }
  constexpr const Param* end() const { return items_.data() + size_; }
  constexpr size_t size() const { return size_; }

 private:
  std::array<Param, kMaxArgs> items_{};
  size_t size_ = 0;
};

struct OperationInfo {
  Operation op;
  std::string_view name;
  bool returnsStatus;  // CloseDevice and ListDevices return nothing
  ParamList inputs;    // in trace order
  ParamList outputs;   // in trace order; an in-out argument is listed in both
};

namespace operation_table {
using enum Operation;
using enum Field;
using enum Width;
// clang-format off
inline constexpr std::array<OperationInfo, kOperationCount> kTable = {{
    {kOpenDevice, "OpenDevice", true, {{kName, kText, 0}}, {}},
    {kCloseDevice, "CloseDevice", false, {}, {}},
    {kListDevices, "ListDevices", false, {{kKind, k32, 0}},
     {{kCount, k32, 1}, {kNames, kText, 2}}},
    {kWriteSmbusWord, "WriteSmbusWord", true,
     {{kCommand, k16, 0}, {kWord, k16, 1}, {kDevice, k16, 2}}, {}},
    {kReadSmbusWord, "ReadSmbusWord", true, {{kCommand, k16, 0}, {kDevice, k16, 2}},
     {{kWord, k16, 1}}},
    {kWriteSmbusBlock, "WriteSmbusBlock", true,
     {{kCommand, k16, 0}, {kCount, k16, 2}, {kDevice, k16, 3}, {kData, kBytes, 1}}, {}},
    {kReadSmbusBlock, "ReadSmbusBlock", true, {{kCommand, k16, 0}, {kDevice, k16, 3}},
     {{kCount, k16, 2}, {kData, kBytes, 1}}},
    {kSendSmbusCommand, "SendSmbusCommand", true, {{kCommand, k16, 0}, {kDevice, k16, 1}}, {}},
    {kGetWriteStatus, "GetWriteStatus", true, {}, {}},
    {kI2cAccess, "I2cAccess", true,
     {{kFunction, k32, 0}, {kDevice, k16, 1}, {kRegister, k16, 2}, {kValue, k16, 3}},
     {{kValue, k16, 3}}},
    {kReadSwbWord, "ReadSwbWord", true, {{kKind, k32, 0}, {kRegister, k16, 1}},
     {{kValue, k16, 2}}},
    {kProgramSrec, "ProgramSrec", true,
     {{kPath, kText, 0}, {kSecondText, kText, 1}, {kThird, kText, 2}}, {}},
    {kGetAdapterVersion, "GetAdapterVersion", true, {},
     {{kFirst, k16, 0}, {kSecond, k16, 1}}},
}};
// clang-format on
}  // namespace operation_table

inline constexpr const std::array<OperationInfo, kOperationCount>& kOperations =
    operation_table::kTable;

constexpr const OperationInfo& Describe(Operation op) {
  return kOperations[static_cast<size_t>(op)];
}

std::string_view OperationName(Operation op);
std::optional<Operation> OperationFromName(std::string_view name);
// The operation's input or output with that key, or null.
const Param* FindInput(Operation op, std::string_view key);
const Param* FindOutput(Operation op, std::string_view key);
// The field an input key names in any operation (each input key names one field), or nullopt.
std::optional<Param> AnyInput(std::string_view key);
// True when some operation has an output with that key.
bool AnyOutput(std::string_view key);

// Values given by field, as a bench rule holds what it matches and what it answers. Numbers
// are kept as their 32-bit pattern; a 16-bit field compares and writes its low 16 bits.
template <Form F>
struct FieldValueOf {
  using type = std::optional<int32_t>;
};
template <>
struct FieldValueOf<Form::kText> {
  using type = std::optional<std::string>;
};
template <>
struct FieldValueOf<Form::kBytes> {
  using type = std::optional<std::vector<uint8_t>>;
};

struct FieldValues {
#define HALYARD_FIELD_MEMBER(id, member, key, form) FieldValueOf<Form::form>::type member;
  HALYARD_OPERATION_FIELDS(HALYARD_FIELD_MEMBER)
#undef HALYARD_FIELD_MEMBER

  // Sets one field; a field of another kind is left alone.
  void Set(Field field, int32_t number);
  void Set(Field field, std::string text);
  void Set(Field field, std::vector<uint8_t> bytes);

  // Calls visit(field, member) for every field, in table order.
  template <typename Visit>
  void ForEach(Visit&& visit) {
#define HALYARD_FIELD_VISIT(id, member, key, form) visit(Field::id, member);
    HALYARD_OPERATION_FIELDS(HALYARD_FIELD_VISIT)
#undef HALYARD_FIELD_VISIT
  }
  template <typename Visit>
  void ForEach(Visit&& visit) const {
#define HALYARD_FIELD_VISIT(id, member, key, form) visit(Field::id, member);
    HALYARD_OPERATION_FIELDS(HALYARD_FIELD_VISIT)
#undef HALYARD_FIELD_VISIT
  }
  // Calls visit(member) for the one field: a jump, where ForEach would test every field.
  template <typename Visit>
  void With(Field field, Visit&& visit) {
#define HALYARD_FIELD_CASE(id, member, key, form) \
  case Field::id:                                 \
    visit(member);                                \
    return;
    switch (field) { HALYARD_OPERATION_FIELDS(HALYARD_FIELD_CASE) }
  }
  template <typename Visit>
  void With(Field field, Visit&& visit) const {
    switch (field) { HALYARD_OPERATION_FIELDS(HALYARD_FIELD_CASE) }
#undef HALYARD_FIELD_CASE
  }

  bool operator==(const FieldValues&) const = default;
};

// The width an argument of type T travels with.
template <typename T>
constexpr Width WidthOf() {
  if constexpr (std::is_same_v<T, int16_t>) {
    return Width::k16;
  } else if constexpr (std::is_same_v<T, int32_t>) {
    return Width::k32;
  } else if constexpr (std::is_same_v<T, std::string>) {
    return Width::kText;
  } else {
    static_assert(std::is_same_v<T, std::vector<uint8_t>>, "not an adapter argument type");
    return Width::kBytes;
  }
}

// True when the argument widths, in call order, are the ones the table gives the operation.
constexpr bool ArgumentsFit(Operation op, const Width* widths, size_t count) {
  const OperationInfo& info = Describe(op);
  std::array<bool, kMaxArgs> seen{};
  for (const ParamList* list : {&info.inputs, &info.outputs}) {
    for (const Param& param : *list) {
      if (param.arg >= count || widths[param.arg] != param.width) return false;
      seen[param.arg] = true;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    if (!seen[i]) return false;
  }
  return true;
}

// One call's values where they live: the addresses of the call's arguments, bound in call
// order. Inputs are read from them; outputs are written into the caller's variables.
class CallValues {
 public:
  template <Operation kOp, typename... Args>
  static CallValues Bind(Args&... args) {
    constexpr std::array<Width, sizeof...(Args)> kWidths{WidthOf<std::remove_const_t<Args>>()...};
    static_assert(ArgumentsFit(kOp, kWidths.data(), kWidths.size()),
                  "arguments do not match the operation table");
    CallValues call(kOp);
    [[maybe_unused]] size_t index = 0;
    (call.Hold(index++, args), ...);
    return call;
  }

  Operation Op() const { return op_; }
  const OperationInfo& Info() const { return Describe(op_); }

  // A number sign-extended from its width; a text; a byte array.
  int32_t Number(const Param& param) const;
  const std::string& Text(const Param& param) const;
  const std::vector<uint8_t>& Bytes(const Param& param) const;
  // How many of a byte field's bytes count: the call's `count`, cut to the array.
  size_t BytesUsed(const Param& param) const;

  // Writes an output: a number is cut to its width.
  void SetNumber(const Param& param, int32_t value);
  std::string& TextOut(const Param& param);
  std::vector<uint8_t>& BytesOut(const Param& param);

  // The call's input or output that carries `field`, or null.
  const Param* Input(Field field) const;
  const Param* Output(Field field) const;

  // An argument by field and type, for code that knows the operation; the table says the type.
  template <typename T>
  const T& In(Field field) const {
    return *static_cast<const T*>(read_[Checked(Input(field), WidthOf<T>(), false)->arg]);
  }
  template <typename T>
  T& Out(Field field) {
    return *static_cast<T*>(write_[Checked(Output(field), WidthOf<T>(), true)->arg]);
  }
  // An input the caller handed by reference that the adapter may change although it is no
  // output of the operation: ProgramSrec's texts travel to a driver and back.
  template <typename T>
  T& InOut(Field field) {
    return *static_cast<T*>(write_[Checked(Input(field), WidthOf<T>(), true)->arg]);
  }

 private:
  explicit CallValues(Operation op) : op_(op) {}
  // Stops on a caller that asks for a field the operation lacks or with the wrong type.
  const Param* Checked(const Param* param, Width width, bool writing) const;

  template <typename T>
  void Hold(size_t index, T& arg) {
    read_[index] = &arg;
    if constexpr (!std::is_const_v<T>) write_[index] = &arg;
  }

  Operation op_;
  std::array<const void*, kMaxArgs> read_{};
  std::array<void*, kMaxArgs> write_{};
};

}  // namespace halyard
