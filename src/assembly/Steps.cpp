// Parsing and checking of halyardctl's steps.
#include "assembly/Steps.h"

#include <algorithm>
#include <charconv>

namespace halyard {

namespace {

using Value = ActionValue::Kind;

// Decimal digits only: "+1", " 1", "1.0" and "0x10" are refused, so a script's typo is
// reported instead of being read as some other number.
bool ParseDecimal(std::string_view text, int& value) {
  if (text.empty()) return false;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
  }
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size();
}

StepSyntax OfAction(const ActionRow& action) {
  return {action.name, action.value, action.help, &action, OwnStep::kNone};
}

// The action table's steps with halyardctl's own among them, in the order of the help.
const std::vector<StepSyntax>& StepTable() {
  static const std::vector<StepSyntax> table = [] {
    std::vector<StepSyntax> steps;
    for (const ActionRow& action : ActionTable()) {
      steps.push_back(OfAction(action));
      // halyardctl's own steps, where the help has always listed them.
      if (action.name == "tab")
        steps.push_back({"state", {}, "print the whole window state", nullptr, OwnStep::kState});
      if (action.name == "trim-update") {
        steps.push_back({"serial",
                         {ActionValue::Kind::kText, 0, 0, "=TEXT"},
                         "the operator scans a unit's serial; later records carry it (with "
                         "--records)",
                         nullptr,
                         OwnStep::kSerial});
      }
    }
    return steps;
  }();
  return table;
}

}  // namespace

bool ParseStep(const std::string& text, Step& step, std::string& error) {
  // A step whose name holds its one value ("trim-auto=store") is matched whole.
  const auto& table = StepTable();
  const bool whole = std::any_of(table.begin(), table.end(),
                                 [&text](const StepSyntax& syntax) { return syntax.name == text; });
  const size_t equals = whole ? std::string::npos : text.find('=');
  const std::string_view name = std::string_view(text).substr(0, equals);
  const bool hasValue = equals != std::string::npos;
  const std::string_view value =
      hasValue ? std::string_view(text).substr(equals + 1) : std::string_view();

  for (const StepSyntax& syntax : table) {
    if (syntax.name != name) continue;
    Step parsed;
    parsed.text = text;
    parsed.syntax = &syntax;
    switch (syntax.value.kind) {
      case Value::kNone:
        if (hasValue) {
          error = "step '" + text + "': " + std::string(name) + " takes no value";
          return false;
        }
        break;
      case Value::kText:
        if (!hasValue) {
          error =
              "step '" + text + "': write " + std::string(name) + std::string(syntax.value.name);
          return false;
        }
        parsed.path = std::string(value);
        break;
      case Value::kInteger:
        if (!hasValue || !ParseDecimal(value, parsed.value) || parsed.value < syntax.value.min ||
            parsed.value > syntax.value.max) {
          error = "step '" + text + "': " + std::string(name) + " takes a whole number from " +
                  std::to_string(syntax.value.min) + " to " + std::to_string(syntax.value.max);
          return false;
        }
        break;
    }
    step = std::move(parsed);
    return true;
  }
  error = "unknown step '" + text + "' (halyardctl --help lists the steps)";
  return false;
}

bool ParseSteps(const std::vector<std::string>& texts, std::vector<Step>& steps,
                std::string& error) {
  std::vector<Step> parsed;
  parsed.reserve(texts.size());
  for (const std::string& text : texts) {
    Step step;
    if (!ParseStep(text, step, error)) return false;
    parsed.push_back(std::move(step));
  }
  steps = std::move(parsed);
  return true;
}

std::string StepHelp() {
  std::string help = "Steps (run in order, after start-up and before shutdown):\n";
  for (const StepSyntax& syntax : StepTable()) {
    std::string usage(syntax.name);
    usage += syntax.value.name;
    usage.resize(std::max<size_t>(usage.size(), 16), ' ');
    help += "  " + usage + " " + std::string(syntax.help) + "\n";
  }
  return help;
}

}  // namespace halyard
