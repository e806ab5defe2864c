// Parsing and checking of halyardctl's steps.
#include "cli/Steps.h"

#include "app/Form1.h"
#include "assembly/Station.h"
#include "cli/RecordsSession.h"

#include <algorithm>
#include <charconv>

namespace halyard::cli {

namespace {

using Value = StepSyntax::Value;

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

// The steps' actions: each calls the Form1 entry point the operator's widget reaches.
template <int16_t kIndex>
bool ClickTest(StepTarget& t, const Step&) {
  return t.form.Command2_Click(kIndex);
}
template <bool (Form1::*kClick)()>
bool Click(StepTarget& t, const Step&) {
  return (t.form.*kClick)();
}
template <bool (Form1::*kMove)(int16_t)>
bool Move(StepTarget& t, const Step& step) {
  return (t.form.*kMove)(static_cast<int16_t>(step.value));
}
template <void (Form1::*kEdit)(const std::string&)>
bool EditText(StepTarget& t, const Step& step) {
  (t.form.*kEdit)(step.path);
  return true;
}
bool SetAutoUpdate(StepTarget& t, const Step& step) {
  t.form.SetAutoUpdate(static_cast<int16_t>(step.value));
  return true;
}
bool Nothing(StepTarget&, const Step&) {
  return true;
}
// The search drives the bars and the buttons itself; its verdict is the search's.
template <bool kStore>
bool RunAutoTrim(StepTarget& t, const Step&) {
  AutoTrim& trimmer = t.station.AutoTrimmer();
  trimmer.Run(kStore);
  t.autoTrim = trimmer.Report();
  t.verdict = &trimmer.Verdict();
  return true;
}
bool ScanSerial(StepTarget& t, const Step& step) {
  t.recorder.SetUnit(step.path);
  return true;
}

}  // namespace

const std::vector<StepSyntax>& StepTable() {
  using V = Value;
  // clang-format off
  static const std::vector<StepSyntax> table = {
      {"tab", V::kInteger, 0, 3, "=N",
       "the operator selects tab N (0 Programming, 1 Test, 2 SetUp, 3 Trim); the guard runs",
       false, false, false, Move<&Form1::SelectTab>},
      {"state", V::kNone, 0, 0, "", "print the whole window state", false, false, true, Nothing},
      {"version-test", V::kNone, 0, 0, "", "\"Version Test\" button", true, true, false, ClickTest<0>},
      {"smbus-test", V::kNone, 0, 0, "", "\"SMBus Test\" button", true, true, false, ClickTest<1>},
      {"i2c-test", V::kNone, 0, 0, "", "\"I2C Test\" button", true, true, false, ClickTest<2>},
      {"swb-test", V::kNone, 0, 0, "", "\"SWB Test\" button", true, true, false, ClickTest<3>},
      {"run-all", V::kNone, 0, 0, "", "\"Run All\" button", true, true, false,
       ClickTest<kRunAllIndex>},
      {"configure", V::kNone, 0, 0, "", "\"Configure Test Target\" button", true, false, false,
       Click<&Form1::Command1_Click>},
      {"program", V::kNone, 0, 0, "", "\"Program\" button", true, false, false,
       Click<&Form1::Program_Click>},
      {"srec", V::kText, 0, 0, "=PATH", "the operator types PATH into SREC_Name", false, false,
       false, EditText<&Form1::SetSrecName>},
      {"trim-srec", V::kText, 0, 0, "=PATH", "the operator types PATH into TrimFilePathAndName",
       false, false, false, EditText<&Form1::SetTrimFilePathAndName>},
      {"auto-update", V::kInteger, 0, 2, "=V",
       "the operator sets the AutoUpdate check box (0 unchecked, 1 checked, 2 grey)", false, false,
       false, SetAutoUpdate},
      {"trim-start", V::kNone, 0, 0, "", "trim \"Start\" button", true, false, false,
       Click<&Form1::StartTrim_Click>},
      {"fine", V::kInteger, 0, 255, "=V", "the operator moves FineAdjust to V", true, false, false,
       Move<&Form1::MoveFineAdjust>},
      {"gross", V::kInteger, 0, 255, "=V", "the operator moves GrossAdjust to V", true, false,
       false, Move<&Form1::MoveGrossAdjust>},
      {"trim-read", V::kNone, 0, 0, "", "\"Read Trim\" button", true, false, false,
       Click<&Form1::RsvFlashRd_Click>},
      {"trim-update", V::kNone, 0, 0, "", "\"Update Trim\" button", true, false, false,
       Click<&Form1::Update_Click>},
      {"serial", V::kText, 0, 0, "=TEXT",
       "the operator scans a unit's serial; later records carry it (with --records)", false,
       false, false, ScanSerial},
      {"trim-auto", V::kNone, 0, 0, "",
       "automatic trim with the frequency counter; the bars end on the chosen code", true, false,
       false, RunAutoTrim<false>},
      {"trim-auto=store", V::kNone, 0, 0, "",
       "automatic trim, then \"Update Trim\" and a read-back of the stored trim", true, false,
       false, RunAutoTrim<true>},
  };
  // clang-format on
  return table;
}

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
    switch (syntax.value) {
      case Value::kNone:
        if (hasValue) {
          error = "step '" + text + "': " + std::string(name) + " takes no value";
          return false;
        }
        break;
      case Value::kText:
        if (!hasValue) {
          error = "step '" + text + "': write " + std::string(name) + std::string(syntax.valueName);
          return false;
        }
        parsed.path = std::string(value);
        break;
      case Value::kInteger:
        if (!hasValue || !ParseDecimal(value, parsed.value) || parsed.value < syntax.min ||
            parsed.value > syntax.max) {
          error = "step '" + text + "': " + std::string(name) + " takes a whole number from " +
                  std::to_string(syntax.min) + " to " + std::to_string(syntax.max);
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
    usage += syntax.valueName;
    usage.resize(std::max<size_t>(usage.size(), 16), ' ');
    help += "  " + usage + " " + std::string(syntax.help) + "\n";
  }
  return help;
}

}  // namespace halyard::cli
