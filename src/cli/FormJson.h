// The window's state as halyardctl reports it, read from the control registry: the "form" JSON
// object whose shape scripts rely on (the reported controls in the registry's order, then the
// window-level state; colours as numbers), and the same values as "name = value" lines for
// people, with the changes a step made.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "app/Form1.h"
#include "cli/JsonWriter.h"

namespace halyard::cli {

// Writes the "form" object as the value of the key just written (or as a value of its own).
void WriteFormJson(JsonWriter& json, const Form1& form);

// "Label6(0).Caption" and "\"Pass\"": texts quoted, colours in hexadecimal, in the order of
// the JSON object.
std::vector<std::pair<std::string, std::string>> FormLines(const Form1& form);

// The reported values at one moment, to tell later what a step changed.
struct Colour {
  uint32_t value;
  bool operator==(const Colour&) const = default;
};
using ReportedValue = std::variant<std::string, Colour, int16_t, bool>;
using FormSnapshot = std::vector<ReportedValue>;

FormSnapshot SnapshotForm(const Form1& form);

// "Label3.Caption: \"0\" -> \"1\"" for each value that differs from `before`.
std::vector<std::string> FormChanges(const FormSnapshot& before, const Form1& form);

}  // namespace halyard::cli
