// The bench file's schema: every value is checked for type and range, unknown keys are refused,
// and the first fault is reported as "<file>: <JSON pointer> at line L, column C: <reason>".
// Rules' inputs and outputs are read by the operation table.
#include "sim/BenchFile.h"

#include <limits>
#include <optional>

#include "sim/BenchState.h"  // ReadFlashRows
#include "sim/JsonCheck.h"
#include "sim/TextFile.h"

namespace halyard {
namespace {

constexpr int64_t kInt16Low = std::numeric_limits<int16_t>::min();
constexpr int64_t kInt16High = std::numeric_limits<int16_t>::max();
constexpr int64_t kInt32Low = std::numeric_limits<int32_t>::min();
constexpr int64_t kInt32High = std::numeric_limits<int32_t>::max();
// Numbers of the calls may also be written as their unsigned pattern: 0xB1E0 is the word -20000.
constexpr int64_t kPattern16High = 0xFFFF;
constexpr int64_t kPattern32High = 0xFFFFFFFFLL;
constexpr size_t kMaxRuleData = 4096;

using Type = JsonValue::Type;

// One input or output of a rule, read by its width.
bool ReadField(JsonCheck& check, const JsonValue& value, const std::string& place,
               const Param& param, FieldValues& values) {
  switch (param.width) {
    case Width::k16:
    case Width::k32: {
      const bool wide = param.width == Width::k32;
      const std::optional<int64_t> number = check.Integer(
          value, place, wide ? kInt32Low : kInt16Low, wide ? kPattern32High : kPattern16High);
      if (!number) return false;
      values.Set(param.field, static_cast<int32_t>(static_cast<uint32_t>(*number)));
      return true;
    }
    case Width::kText: {
      std::optional<std::string> text = check.Text(value, place);
      if (!text) return false;
      values.Set(param.field, std::move(*text));
      return true;
    }
    case Width::kBytes: {
      std::optional<std::vector<uint8_t>> bytes = check.Bytes(value, place, 0, kMaxRuleData);
      if (!bytes) return false;
      values.Set(param.field, std::move(*bytes));
      return true;
    }
  }
  return false;
}

// The rule's "match" (inputs) or "outputs": each key must be one the operation has.
bool ReadRuleFields(JsonCheck& check, const JsonValue& node, const std::string& place,
                    const std::optional<Operation>& op, bool outputs, FieldValues& values) {
  if (!check.IsObject(node, place)) return false;
  const std::string_view what = outputs ? "output" : "input";
  for (size_t i = 0; i < node.keys.size(); ++i) {
    const std::string& key = node.keys[i];
    const JsonValue& value = node.items[i];
    const std::string keyPlace = JsonCheck::Join(place, key);
    const std::optional<Param> any = AnyInput(key);
    if (outputs ? !AnyOutput(key) : !any) {
      check.Fail(value, keyPlace, "unknown " + std::string(what) + " '" + EchoText(key) + "'");
      return false;
    }
    if (outputs && !op) {
      check.Fail(value, keyPlace, "a rule for any operation (\"*\") gives no outputs");
      return false;
    }
    const Param* param = !op ? &*any : outputs ? FindOutput(*op, key) : FindInput(*op, key);
    if (param == nullptr) {
      check.Fail(
          value, keyPlace,
          std::string(OperationName(*op)) + " has no " + std::string(what) + " '" + key + "'");
      return false;
    }
    if (!ReadField(check, value, keyPlace, *param, values)) return false;
  }
  return true;
}

bool ReadRuleOp(JsonCheck& check, const JsonValue& node, const std::string& place,
                BenchRule& rule) {
  const JsonValue* op = node.Find("op");
  if (op == nullptr) {
    check.Fail(node, place, "missing key 'op'");
    return false;
  }
  const std::string opPlace = JsonCheck::Join(place, "op");
  const std::optional<std::string> name = check.Text(*op, opPlace);
  if (!name) return false;
  if (*name == "*") return true;
  rule.op = OperationFromName(*name);
  if (!rule.op) {
    check.Fail(
        *op, opPlace,
        "unknown operation '" + EchoText(*name) + "' (one of the thirteen operations, or \"*\")");
  }
  return rule.op.has_value();
}

bool ReadRule(JsonCheck& check, const JsonValue& node, const std::string& place, BenchRule& rule) {
  if (!check.OnlyKeys(node, place, {"op", "match", "nth", "count", "status", "outputs", "fault"}) ||
      !ReadRuleOp(check, node, place, rule)) {
    return false;
  }
  if (const JsonValue* match = node.Find("match");
      match &&
      !ReadRuleFields(check, *match, JsonCheck::Join(place, "match"), rule.op, false, rule.match)) {
    return false;
  }
  if (const JsonValue* nth = node.Find("nth")) {
    const std::optional<int64_t> value =
        check.Integer(*nth, JsonCheck::Join(place, "nth"), 1, kInt32High);
    if (!value) return false;
    rule.nth = *value;
  }
  if (const JsonValue* count = node.Find("count")) {
    const std::string countPlace = JsonCheck::Join(place, "count");
    const std::optional<int64_t> times = check.Integer(*count, countPlace, -1, kInt32High);
    if (!times) return false;
    if (*times == 0) {
      check.Fail(*count, countPlace, "count 0 would never apply; use -1 for always or at least 1");
      return false;
    }
    rule.times = *times;
  }
  if (const JsonValue* status = node.Find("status")) {
    const std::optional<int64_t> value =
        check.Integer(*status, JsonCheck::Join(place, "status"), kInt16Low, kInt16High);
    if (!value) return false;
    rule.status = static_cast<int16_t>(*value);
  }
  if (const JsonValue* fault = node.Find("fault")) {
    const std::optional<std::string> text = check.Text(*fault, JsonCheck::Join(place, "fault"));
    if (!text) return false;
    if (*text != "crash" && *text != "hang") {
      check.Fail(*fault, JsonCheck::Join(place, "fault"), "fault is \"crash\" or \"hang\"");
      return false;
    }
    rule.fault = *text == "crash" ? RuleFault::kCrash : RuleFault::kHang;
  }
  const JsonValue* outputs = node.Find("outputs");
  return !outputs || ReadRuleFields(check, *outputs, JsonCheck::Join(place, "outputs"), rule.op,
                                    true, rule.outputs);
}

bool ReadMemoryMap(JsonCheck& check, const JsonValue& node, const std::string& place,
                   int64_t highAddress, uint8_t* memory) {
  if (!check.IsObject(node, place)) return false;
  for (size_t i = 0; i < node.keys.size(); ++i) {
    const std::string keyPlace = JsonCheck::Join(place, node.keys[i]);
    const std::optional<int64_t> address =
        check.AddressKey(node.keys[i], node.items[i], keyPlace, highAddress);
    if (!address) return false;
    const std::optional<int64_t> byte = check.Integer(node.items[i], keyPlace, 0, 0xFF);
    if (!byte) return false;
    memory[*address] = static_cast<uint8_t>(*byte);
  }
  return true;
}

// Names, none empty and none holding a character of `forbidden`: ListDevices joins adapter
// names with ",", and trim images are file names, not paths.
bool ReadTextList(JsonCheck& check, const JsonValue& node, const std::string& place,
                  std::string_view forbidden, std::vector<std::string>& out) {
  if (!check.IsArray(node, place)) return false;
  out.clear();
  for (size_t i = 0; i < node.items.size(); ++i) {
    const std::string itemPlace = place + "/" + std::to_string(i);
    const std::optional<std::string> text = check.Text(node.items[i], itemPlace);
    if (!text) return false;
    if (text->empty() || text->find_first_of(forbidden) != std::string::npos) {
      check.Fail(node.items[i], itemPlace,
                 "a name must be non-empty and without '" + std::string(forbidden) + "'");
      return false;
    }
    out.push_back(*text);
  }
  return true;
}

bool ReadTarget(JsonCheck& check, const JsonValue& node, TargetMemory& memory) {
  if (!check.OnlyKeys(node, "/target", {"configured", "memory"})) return false;
  if (const JsonValue* configured = node.Find("configured")) {
    const std::optional<bool> value = check.Boolean(*configured, "/target/configured");
    if (!value) return false;
    if (*value) WriteTargetConfiguration(memory);
  }
  // Explicit bytes come after "configured", so a file can spoil one byte of a configured block.
  const JsonValue* bytes = node.Find("memory");
  return !bytes || ReadMemoryMap(check, *bytes, "/target/memory", 0xFF, memory.data());
}

bool ReadSiliconVersion(JsonCheck& check, const JsonValue& node, uint16_t& version) {
  const std::string place = "/controller/silicon_version";
  const std::optional<std::string> text = check.Text(node, place);
  if (!text) return false;
  const size_t dot = text->find('.');
  const auto part = [&](size_t from, size_t to) -> std::optional<unsigned> {
    if (to <= from || to - from > 3) return std::nullopt;
    unsigned value = 0;
    for (size_t i = from; i < to; ++i) {
      if ((*text)[i] < '0' || (*text)[i] > '9') return std::nullopt;
      value = value * 10 + static_cast<unsigned>((*text)[i] - '0');
    }
    return value <= 255 ? std::optional(value) : std::nullopt;
  };
  const std::optional<unsigned> major = dot == std::string::npos ? std::nullopt : part(0, dot);
  const std::optional<unsigned> minor = major ? part(dot + 1, text->size()) : std::nullopt;
  if (!minor) {
    check.Fail(node, place, "expected major.minor, each 0..255, such as \"1.4\"");
    return false;
  }
  version = static_cast<uint16_t>(*major << 8 | *minor);
  return true;
}

// The oscillator's keys and their ranges; a key left out keeps its default.
bool ReadOscillator(JsonCheck& check, const JsonValue& node, OscillatorSetup& setup) {
  const std::string place = "/controller/oscillator";
  if (!check.OnlyKeys(
          node, place,
          {"nominal_hz", "offset_ppm", "ppm_per_code", "wobble_ppm", "noise_ppm", "noise_seed"})) {
    return false;
  }
  struct Key {
    const char* name;
    double* value;
    double low;
    double high;
  };
  const Key keys[] = {
      {"nominal_hz", &setup.nominalHz, 1.0, 1e10},    {"offset_ppm", &setup.offsetPpm, -1e5, 1e5},
      {"ppm_per_code", &setup.ppmPerCode, -1e4, 1e4}, {"wobble_ppm", &setup.wobblePpm, 0.0, 1e4},
      {"noise_ppm", &setup.noisePpm, 0.0, 1e4},
  };
  for (const Key& key : keys) {
    const JsonValue* value = node.Find(key.name);
    if (value == nullptr) continue;
    const std::optional<double> number =
        check.Real(*value, JsonCheck::Join(place, key.name), key.low, key.high);
    if (!number) return false;
    *key.value = *number;
  }
  if (const JsonValue* seed = node.Find("noise_seed")) {
    const std::optional<int64_t> value =
        check.Integer(*seed, JsonCheck::Join(place, "noise_seed"), 0, kInt32High);
    if (!value) return false;
    setup.noiseSeed = static_cast<uint64_t>(*value);
  }
  return true;
}

bool ReadController(JsonCheck& check, const JsonValue& node, ControllerSetup& setup) {
  if (!check.OnlyKeys(node, "/controller",
                      {"silicon_version", "reserved_row", "rows", "memory", "programmed",
                       "trim_images", "oscillator"})) {
    return false;
  }
  const JsonValue* version = node.Find("silicon_version");
  if (version && !ReadSiliconVersion(check, *version, setup.siliconVersion)) return false;
  if (const JsonValue* row = node.Find("reserved_row")) {
    const std::optional<std::vector<uint8_t>> bytes =
        check.Bytes(*row, "/controller/reserved_row", kRowBytes, kRowBytes);
    if (!bytes) return false;
    std::copy(bytes->begin(), bytes->end(), setup.rows[kReservedRowAddress].begin());
  }
  const JsonValue* rows = node.Find("rows");
  if (rows && !ReadFlashRows(check, *rows, "/controller/rows", setup.rows)) return false;
  const JsonValue* memory = node.Find("memory");
  if (memory && !ReadMemoryMap(check, *memory, "/controller/memory", 0xFFFF, setup.memory.data())) {
    return false;
  }
  if (const JsonValue* programmed = node.Find("programmed")) {
    const std::optional<bool> value = check.Boolean(*programmed, "/controller/programmed");
    if (!value) return false;
    setup.image = *value ? ImageKind::kTrim : ImageKind::kNone;
  }
  const JsonValue* oscillator = node.Find("oscillator");
  if (oscillator && !ReadOscillator(check, *oscillator, setup.oscillator)) return false;
  const JsonValue* trim = node.Find("trim_images");
  return !trim || ReadTextList(check, *trim, "/controller/trim_images", "/\\", setup.trimImages);
}

bool ReadRules(JsonCheck& check, const JsonValue& node, std::vector<BenchRule>& rules) {
  if (!check.IsArray(node, "/rules")) return false;
  rules.reserve(node.items.size());
  for (size_t i = 0; i < node.items.size(); ++i) {
    if (!ReadRule(check, node.items[i], "/rules/" + std::to_string(i), rules.emplace_back())) {
      return false;
    }
  }
  return true;
}

bool ReadBench(JsonCheck& check, const JsonValue& root, const std::filesystem::path& baseDir,
               BenchConfig& config) {
  if (!check.OnlyKeys(root, "",
                      {"adapters", "open_result", "adapter_version", "target", "controller",
                       "rules", "state_file"})) {
    return false;
  }
  const JsonValue* adapters = root.Find("adapters");
  if (adapters && !ReadTextList(check, *adapters, "/adapters", ",", config.adapters)) return false;
  if (const JsonValue* result = root.Find("open_result")) {
    const std::optional<int64_t> value =
        check.Integer(*result, "/open_result", kInt16Low, kInt16High);
    if (!value) return false;
    config.openResult = static_cast<int16_t>(*value);
  }
  if (const JsonValue* version = root.Find("adapter_version")) {
    const std::optional<std::string> text = check.Text(*version, "/adapter_version");
    if (!text) return false;
    if (text->size() != 3) {
      check.Fail(*version, "/adapter_version",
                 "expected exactly three characters, such as \"1.2\"");
      return false;
    }
    config.adapterVersion = *text;
  }
  const JsonValue* target = root.Find("target");
  if (target && !ReadTarget(check, *target, config.targetMemory)) return false;
  const JsonValue* controller = root.Find("controller");
  if (controller && !ReadController(check, *controller, config.controller)) return false;
  const JsonValue* rules = root.Find("rules");
  if (rules && !ReadRules(check, *rules, config.rules)) return false;
  if (const JsonValue* stateFile = root.Find("state_file")) {
    const std::optional<std::string> path = check.Text(*stateFile, "/state_file");
    if (!path) return false;
    if (path->empty()) {
      check.Fail(*stateFile, "/state_file", "empty path");
      return false;
    }
    const std::filesystem::path given(*path);
    config.stateFile = given.is_absolute() ? given : baseDir / given;
  }
  return true;
}

}  // namespace

bool ParseBench(std::string_view text, const std::string& sourceName,
                const std::filesystem::path& baseDir, BenchConfig& config, std::string& error) {
  JsonValue root;
  if (!ParseJsonNamed(text, sourceName, root, error)) return false;
  JsonCheck check;
  BenchConfig parsed;
  if (!ReadBench(check, root, baseDir, parsed)) {
    error = sourceName + ": " + check.Place() + ": " + check.Reason();
    return false;
  }
  config = std::move(parsed);
  return true;
}

bool LoadBenchFile(const std::filesystem::path& path, BenchConfig& config, std::string& error) {
  if (path.empty()) {
    error = "bench file: empty path (name a bench file, or leave the option out for the default)";
    return false;
  }
  std::string text;
  std::string reason;
  if (ReadTextFile(path, kMaxBenchFileBytes, text, reason) != FileRead::kOk) {
    error = path.string() + ": " + reason;
    return false;
  }
  return ParseBench(text, path.string(), path.parent_path(), config, error);
}

bool ParseBenchRule(std::string_view text, BenchRule& rule, std::string& error) {
  JsonValue node;
  if (!ParseJsonNamed(text, "rule", node, error)) return false;
  JsonCheck check;
  BenchRule parsed;
  if (!ReadRule(check, node, "", parsed)) {
    error = "rule: " + check.Place() + ": " + check.Reason();
    return false;
  }
  rule = std::move(parsed);
  return true;
}

}  // namespace halyard
