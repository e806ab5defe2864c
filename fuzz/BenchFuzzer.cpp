// The bench file on any text: the strict JSON reader agrees with a second parser (stricter
// only where it means to be), places every value at its first byte, and the bench file and
// rule readers either give a configuration within their documented limits or one line naming
// the file.
#include <string>
#include <vector>

#include "FuzzCheck.h"
#include "JsonReference.h"
#include "sim/BenchFile.h"
#include "sim/Json.h"

namespace {

using halyard::JsonValue;
using halyard::fuzz::OneLine;

// The offset of each line's first byte; lines end at '\n' as the reader counts them.
std::vector<size_t> LineStarts(std::string_view text) {
  std::vector<size_t> starts{0};
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n') starts.push_back(i + 1);
  }
  return starts;
}

// Every value's line and column lead to the byte its text starts with.
void CheckPositions(const JsonValue& value, std::string_view text,
                    const std::vector<size_t>& starts) {
  FUZZ_CHECK(value.line >= 1 && value.line <= starts.size() && value.column >= 1);
  const size_t at = starts[value.line - 1] + value.column - 1;
  FUZZ_CHECK(at < text.size());
  static constexpr std::string_view kFirstBytes[] = {"n", "tf", "-0123456789", "\"", "[", "{"};
  FUZZ_CHECK(kFirstBytes[static_cast<size_t>(value.type)].find(text[at]) != std::string::npos);
  for (const JsonValue& item : value.items)
    CheckPositions(item, text, starts);
}

void CheckJsonReader(std::string_view text) {
  JsonValue ours;
  std::string place;
  std::string reason;
  const bool accepted = halyard::ParseJson(text, ours, place, reason);
  const halyard::fuzz::JsonReference reference(text);
  const std::optional<bool> expected = reference.BenchMustAccept();
  if (expected) FUZZ_CHECK(accepted == *expected);
  if (accepted) {
    CheckPositions(ours, text, LineStarts(text));
    if (!expected) return;  // no document of nlohmann's to hold it against
    const nlohmann::json theirs = nlohmann::json::parse(text.begin(), text.end(), nullptr, false);
    FUZZ_CHECK(halyard::fuzz::SameDocument(ours, theirs));
    return;
  }
  FUZZ_CHECK(!reason.empty() && OneLine(reason) && OneLine(place));
  if (reference.WholeTextIsJson()) {
    FUZZ_CHECK((reference.DuplicateKey() && reason == "key given twice") ||
               (reference.TooDeep() && reason.starts_with("syntax error: nested deeper")));
  }
}

void CheckBench(std::string_view text) {
  halyard::BenchConfig config;
  std::string error;
  if (!halyard::ParseBench(text, "bench.json", "/bench", config, error)) {
    FUZZ_CHECK(error.starts_with("bench.json: ") && OneLine(error));
    return;
  }
  FUZZ_CHECK(config.adapterVersion.size() == 3);
  for (const std::string& name : config.adapters)
    FUZZ_CHECK(!name.empty() && name.find(',') == std::string::npos);
  for (const std::string& file : config.controller.trimImages)
    FUZZ_CHECK(!file.empty() && file.find_first_of("/\\") == std::string::npos);
  for (const halyard::BenchRule& rule : config.rules)
    FUZZ_CHECK(rule.nth >= 1 && rule.times != 0 && rule.times >= -1);
  FUZZ_CHECK(config.stateFile.empty() || config.stateFile.is_absolute());
}

void CheckRule(std::string_view text) {
  halyard::BenchRule rule;
  std::string error;
  if (halyard::ParseBenchRule(text, rule, error)) {
    FUZZ_CHECK(rule.nth >= 1 && rule.times != 0 && rule.times >= -1);
  } else {
    FUZZ_CHECK(error.starts_with("rule: ") && OneLine(error));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text = halyard::fuzz::AsText(data, size);
  CheckJsonReader(text);
  CheckBench(text);
  CheckRule(text);
  return 0;
}
