// Parsing and checking of halyardctl's steps.
#include "cli/Steps.h"

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

// How the help and the errors write a step's text value.
const char* TextValueName(StepKind kind) {
  return kind == StepKind::kSerial ? "=TEXT" : "=PATH";
}

}  // namespace

const std::vector<StepSyntax>& StepTable() {
  static const std::vector<StepSyntax> table = {
      {"tab", StepKind::kTab, Value::kInteger, 0, 3,
       "the operator selects tab N (0 Programming, 1 Test, 2 SetUp, 3 Trim); the guard runs"},
      {"state", StepKind::kState, Value::kNone, 0, 0, "print the whole window state"},
      {"version-test", StepKind::kVersionTest, Value::kNone, 0, 0, "\"Version Test\" button", true},
      {"smbus-test", StepKind::kSmbusTest, Value::kNone, 0, 0, "\"SMBus Test\" button", true},
      {"i2c-test", StepKind::kI2cTest, Value::kNone, 0, 0, "\"I2C Test\" button", true},
      {"swb-test", StepKind::kSwbTest, Value::kNone, 0, 0, "\"SWB Test\" button", true},
      {"run-all", StepKind::kRunAll, Value::kNone, 0, 0, "\"Run All\" button", true},
      {"configure", StepKind::kConfigure, Value::kNone, 0, 0, "\"Configure Test Target\" button",
       true},
      {"program", StepKind::kProgram, Value::kNone, 0, 0, "\"Program\" button", true},
      {"srec", StepKind::kSrec, Value::kText, 0, 0, "the operator types PATH into SREC_Name"},
      {"trim-srec", StepKind::kTrimSrec, Value::kText, 0, 0,
       "the operator types PATH into TrimFilePathAndName"},
      {"auto-update", StepKind::kAutoUpdate, Value::kInteger, 0, 2,
       "the operator sets the AutoUpdate check box (0 unchecked, 1 checked, 2 grey)"},
      {"trim-start", StepKind::kTrimStart, Value::kNone, 0, 0, "trim \"Start\" button", true},
      {"fine", StepKind::kFine, Value::kInteger, 0, 255, "the operator moves FineAdjust to V",
       true},
      {"gross", StepKind::kGross, Value::kInteger, 0, 255, "the operator moves GrossAdjust to V",
       true},
      {"trim-read", StepKind::kTrimRead, Value::kNone, 0, 0, "\"Read Trim\" button", true},
      {"trim-update", StepKind::kTrimUpdate, Value::kNone, 0, 0, "\"Update Trim\" button", true},
      {"serial", StepKind::kSerial, Value::kText, 0, 0,
       "the operator scans or types the unit's serial TEXT; later records carry it"},
      {"trim-auto", StepKind::kTrimAuto, Value::kNone, 0, 0,
       "automatic trim with the frequency counter; the bars end on the chosen code", true},
      {"trim-auto=store", StepKind::kTrimAutoStore, Value::kNone, 0, 0,
       "automatic trim, then \"Update Trim\" and a read-back of the stored trim", true},
  };
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
    parsed.kind = syntax.kind;
    switch (syntax.value) {
      case Value::kNone:
        if (hasValue) {
          error = "step '" + text + "': " + std::string(name) + " takes no value";
          return false;
        }
        break;
      case Value::kText:
        if (!hasValue) {
          error = "step '" + text + "': write " + std::string(name) + TextValueName(syntax.kind);
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

bool IsAutoTrim(StepKind kind) {
  return kind == StepKind::kTrimAuto || kind == StepKind::kTrimAutoStore;
}

bool HasVerdict(StepKind kind) {
  const auto& table = StepTable();
  const auto it = std::find_if(table.begin(), table.end(),
                               [kind](const StepSyntax& syntax) { return syntax.kind == kind; });
  return it != table.end() && it->hasVerdict;
}

int TestIndex(StepKind kind) {
  switch (kind) {
    case StepKind::kVersionTest:
      return 0;
    case StepKind::kSmbusTest:
      return 1;
    case StepKind::kI2cTest:
      return 2;
    case StepKind::kSwbTest:
      return 3;
    case StepKind::kRunAll:
      return 4;
    default:
      return -1;
  }
}

std::string StepHelp() {
  std::string help = "Steps (run in order, after start-up and before shutdown):\n";
  for (const StepSyntax& syntax : StepTable()) {
    std::string usage(syntax.name);
    if (syntax.value == Value::kInteger) {
      usage += syntax.kind == StepKind::kTab ? "=N" : "=V";
    } else if (syntax.value == Value::kText) {
      usage += TextValueName(syntax.kind);
    }
    usage.resize(std::max<size_t>(usage.size(), 16), ' ');
    help += "  " + usage + " " + std::string(syntax.help) + "\n";
  }
  return help;
}

}  // namespace halyard::cli
