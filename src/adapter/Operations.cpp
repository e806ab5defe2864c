// Look-ups in the operation table, the checks that keep it consistent, and access to a bound
// call's arguments.
#include "adapter/Operations.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <utility>

namespace halyard {
namespace {

constexpr bool FormFitsWidth(Form form, Width width) {
  switch (form) {
    case Form::kText:
      return width == Width::kText;
    case Form::kBytes:
      return width == Width::kBytes;
    default:
      return width == Width::k16 || width == Width::k32;
  }
}

constexpr bool Has(const ParamList& list, Field field) {
  for (const Param& param : list) {
    if (param.field == field) return true;
  }
  return false;
}

const Param* FindIn(const ParamList& list, Field field) {
  for (const Param& param : list) {
    if (param.field == field) return &param;
  }
  return nullptr;
}

// Each parameter's width fits its field; an argument listed as input and output is one field;
// a byte field has a count beside it that says how many of its bytes count.
constexpr bool TableIsConsistent() {
  for (size_t i = 0; i < kOperationCount; ++i) {
    const OperationInfo& info = kOperations[i];
    if (static_cast<size_t>(info.op) != i) return false;
    for (const ParamList* list : {&info.inputs, &info.outputs}) {
      for (const Param& param : *list) {
        if (!FormFitsWidth(Describe(param.field).form, param.width)) return false;
        if (param.width == Width::kBytes && !Has(*list, Field::kCount)) return false;
      }
    }
    for (const Param& out : info.outputs) {
      for (const Param& in : info.inputs) {
        if (in.arg == out.arg && in.field != out.field) return false;
      }
    }
  }
  return true;
}
static_assert(TableIsConsistent(), "the operation table contradicts itself");

// A rule for any operation matches inputs by key alone, so a key must mean one field.
constexpr bool InputKeysAreUnambiguous() {
  for (const OperationInfo& a : kOperations) {
    for (const Param& p : a.inputs) {
      for (const OperationInfo& b : kOperations) {
        for (const Param& q : b.inputs) {
          if (Describe(p.field).key == Describe(q.field).key && p.field != q.field) return false;
        }
      }
    }
  }
  return true;
}
static_assert(InputKeysAreUnambiguous(), "two input fields share a key");

const Param* FindKey(const ParamList& list, std::string_view key) {
  for (const Param& param : list) {
    if (Describe(param.field).key == key) return &param;
  }
  return nullptr;
}

}  // namespace

std::string_view OperationName(Operation op) {
  return Describe(op).name;
}

std::optional<Operation> OperationFromName(std::string_view name) {
  for (const OperationInfo& info : kOperations) {
    if (info.name == name) return info.op;
  }
  return std::nullopt;
}

const Param* FindInput(Operation op, std::string_view key) {
  return FindKey(Describe(op).inputs, key);
}

const Param* FindOutput(Operation op, std::string_view key) {
  return FindKey(Describe(op).outputs, key);
}

std::optional<Param> AnyInput(std::string_view key) {
  for (const OperationInfo& info : kOperations) {
    if (const Param* param = FindKey(info.inputs, key)) return *param;
  }
  return std::nullopt;
}

bool AnyOutput(std::string_view key) {
  for (const OperationInfo& info : kOperations) {
    if (FindKey(info.outputs, key) != nullptr) return true;
  }
  return false;
}

namespace {

template <typename V>
void SetMember(FieldValues& values, Field field, V&& value) {
  values.With(field, [&](auto& member) {
    if constexpr (std::is_same_v<std::decay_t<decltype(member)>, std::optional<std::decay_t<V>>>) {
      member = std::forward<V>(value);
    }
  });
}

}  // namespace

void FieldValues::Set(Field field, int32_t number) {
  SetMember(*this, field, number);
}

void FieldValues::Set(Field field, std::string text) {
  SetMember(*this, field, std::move(text));
}

void FieldValues::Set(Field field, std::vector<uint8_t> bytes) {
  SetMember(*this, field, std::move(bytes));
}

const Param* CallValues::Checked(const Param* param, Width width, bool writing) const {
  if (param == nullptr || param->width != width || (writing && write_[param->arg] == nullptr)) {
    std::abort();  // a programming error in the caller, never a matter of input
  }
  return param;
}

int32_t CallValues::Number(const Param& param) const {
  assert(param.width == Width::k16 || param.width == Width::k32);
  if (param.width == Width::k16) return *static_cast<const int16_t*>(read_[param.arg]);
  return *static_cast<const int32_t*>(read_[param.arg]);
}

const std::string& CallValues::Text(const Param& param) const {
  assert(param.width == Width::kText);
  return *static_cast<const std::string*>(read_[param.arg]);
}

const std::vector<uint8_t>& CallValues::Bytes(const Param& param) const {
  assert(param.width == Width::kBytes);
  return *static_cast<const std::vector<uint8_t>*>(read_[param.arg]);
}

size_t CallValues::BytesUsed(const Param& param) const {
  const Param* count = FindIn(Info().inputs, Field::kCount);
  if (count == nullptr) count = FindIn(Info().outputs, Field::kCount);
  const int32_t wanted = count != nullptr ? Number(*count) : 0;
  return std::min(static_cast<size_t>(std::max(wanted, 0)), Bytes(param).size());
}

void CallValues::SetNumber(const Param& param, int32_t value) {
  assert(write_[param.arg] != nullptr);
  if (param.width == Width::k16) {
    *static_cast<int16_t*>(write_[param.arg]) = static_cast<int16_t>(value);
  } else {
    *static_cast<int32_t*>(write_[param.arg]) = value;
  }
}

std::string& CallValues::TextOut(const Param& param) {
  assert(param.width == Width::kText && write_[param.arg] != nullptr);
  return *static_cast<std::string*>(write_[param.arg]);
}

std::vector<uint8_t>& CallValues::BytesOut(const Param& param) {
  assert(param.width == Width::kBytes && write_[param.arg] != nullptr);
  return *static_cast<std::vector<uint8_t>*>(write_[param.arg]);
}

const Param* CallValues::Input(Field field) const {
  return FindIn(Info().inputs, field);
}

const Param* CallValues::Output(Field field) const {
  return FindIn(Info().outputs, field);
}

}  // namespace halyard
