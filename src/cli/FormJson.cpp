// The window's state, walked once through the registry for each way halyardctl reports it.
#include "cli/FormJson.h"

#include <cstdio>
#include <string_view>

#include "app/ControlRegistry.h"

namespace halyard::cli {

namespace {

// Calls visit(name, index, property, value) for each reported value, in the report's order:
// a control array's elements as the index, a control's property as "Caption", "Value" ...;
// the window-level state has no property. `value` is a std::string, Colour, int16_t or bool.
template <typename Visit>
void VisitReport(const Form1& form, Visit&& visit) {
  const FormControls& c = form.Controls();
  for (const ControlEntry& entry : ControlRegistry()) {
    if (entry.report == Report::kNone) continue;
    const auto field = [&](std::string_view property, const auto& value) {
      visit(entry.name, entry.index, property, value);
    };
    if (const auto* label = StateOf<LabelState>(entry, c)) {
      field("Caption", label->Caption);
      if (entry.report != Report::kValueAndColours) continue;
      field("ForeColor", Colour{label->ForeColor});
      field("BackColor", Colour{label->BackColor});
    } else if (const auto* box = StateOf<TextBoxState>(entry, c)) {
      field("Text", box->Text);
    } else if (const auto* check = StateOf<CheckBoxState>(entry, c)) {
      field("Value", check->Value);
    } else if (const auto* bar = StateOf<ScrollBarState>(entry, c)) {
      field("Value", bar->Value);
    } else if (const auto* tabs = StateOf<TabControlState>(entry, c)) {
      field("Tab", tabs->Tab);
    }
  }
  const WindowState& s = form.State();
  visit("TargetNotConfigured", -1, "", s.TargetNotConfigured);
  visit("ExpectedVersion", -1, "", s.ExpectedVersion);
  visit("ProgramPassCount", -1, "", s.ProgramPassCount);
  for (size_t i = 0; i < s.TestPassed.size(); ++i)
    visit("TestPassed", static_cast<int>(i), "", s.TestPassed[i]);
}

void WriteValue(JsonWriter& json, const std::string& text) {
  json.String(text);
}
void WriteValue(JsonWriter& json, Colour colour) {
  json.Unsigned(colour.value);
}
void WriteValue(JsonWriter& json, int16_t value) {
  json.Number(value);
}
void WriteValue(JsonWriter& json, bool value) {
  json.Bool(value);
}

std::string Show(const std::string& text) {
  return QuoteText(text);
}
std::string Show(Colour colour) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", colour.value);
  return text;
}
std::string Show(int16_t value) {
  return std::to_string(value);
}
std::string Show(bool value) {
  return value ? "true" : "false";
}

std::string Path(std::string_view name, int index, std::string_view property) {
  std::string path = ControlKey(name, index);
  if (!property.empty()) path.append(".").append(property);
  return path;
}

// Writes the reported values as the members of the "form" object: a control array's elements
// as an array, a control's properties as an object, the window-level state as plain values.
// The rows of a control array come one after another in the registry.
struct FormObjectWriter {
  JsonWriter& json;
  std::string_view name = {};  // the member being written
  int index = -1;
  bool inObject = false;

  void operator()(std::string_view next, int nextIndex, std::string_view property,
                  const auto& value) {
    if (next != name) {
      Close();
      json.Key(next);
      if (nextIndex >= 0) json.BeginArray();
      if (!property.empty()) json.BeginObject();
    } else if (nextIndex != index && inObject) {
      json.EndObject().BeginObject();
    }
    name = next;
    index = nextIndex;
    inObject = !property.empty();
    if (inObject) json.Key(property);
    WriteValue(json, value);
  }

  void Close() {
    if (inObject) json.EndObject();
    if (index >= 0) json.EndArray();
    inObject = false;
    index = -1;
  }
};

}  // namespace

void WriteFormJson(JsonWriter& json, const Form1& form) {
  json.BeginObject();
  FormObjectWriter writer{json};
  VisitReport(form, writer);
  writer.Close();
  json.EndObject();
}

std::vector<std::pair<std::string, std::string>> FormLines(const Form1& form) {
  std::vector<std::pair<std::string, std::string>> lines;
  VisitReport(form,
              [&](std::string_view name, int index, std::string_view property, const auto& value) {
                lines.emplace_back(Path(name, index, property), Show(value));
              });
  return lines;
}

FormSnapshot SnapshotForm(const Form1& form) {
  FormSnapshot snapshot;
  VisitReport(form, [&](std::string_view, int, std::string_view, const auto& value) {
    snapshot.emplace_back(value);
  });
  return snapshot;
}

std::vector<std::string> FormChanges(const FormSnapshot& before, const Form1& form) {
  std::vector<std::string> changes;
  size_t i = 0;
  VisitReport(form,
              [&](std::string_view name, int index, std::string_view property, const auto& value) {
                using Value = std::decay_t<decltype(value)>;
                const auto* was = i < before.size() ? std::get_if<Value>(&before[i]) : nullptr;
                ++i;
                if (was == nullptr || *was == value) return;
                // Texts that differ only in bytes that are not UTF-8 read the same.
                std::string shownWas = Show(*was);
                std::string shown = Show(value);
                if (shownWas == shown) return;
                changes.push_back(Path(name, index, property) + ": " + shownWas + " -> " + shown);
              });
  return changes;
}

}  // namespace halyard::cli
