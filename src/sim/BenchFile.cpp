// Reads the bench file and reads and writes the state file. Every value is checked for type
// and range, unknown and repeated keys are refused, and the first fault is reported as
// "<file>: <JSON pointer or line, column>: <reason>".
#include "sim/BenchFile.h"

#include <cstdio>
#include <fstream>
#include <limits>
#include <optional>
#include <set>
#include <sstream>
#include <system_error>

#include <nlohmann/json.hpp>

#include "sim/HexBytes.h"

namespace halyard {

using nlohmann::json;

FlashRow DefaultReservedRow() {
  FlashRow row{};
  for (size_t i = 0; i < kTrimByteIndex; ++i)
    row[i] = static_cast<uint8_t>(i);
  row[kTrimByteIndex] = kTrimMidrange;
  row[31] = 0xFF;
  return row;
}

void WriteTargetConfiguration(TargetMemory& memory) {
  memory[0x51] = static_cast<uint8_t>(memory[0x51] | 0x01);
  memory[0x20] = static_cast<uint8_t>(kTargetIdText.size());
  for (size_t i = 0; i < kTargetIdText.size(); ++i) {
    memory[0x21 + i] = static_cast<uint8_t>(kTargetIdText[i]);
  }
}

namespace {

std::string PointerToken(const std::string& key) {
  std::string out;
  for (char c : key) {
    if (c == '~') {
      out += "~0";
    } else if (c == '/') {
      out += "~1";
    } else {
      out += c;
    }
  }
  return out;
}

// Finds the first key that appears twice in one object: the JSON library would silently keep
// the last, and an operator who sets a value twice should hear about it.
class DuplicateKeyWatch {
 public:
  bool operator()(int, json::parse_event_t event, json& parsed) {
    switch (event) {
      case json::parse_event_t::object_start:
        frames_.push_back({false, 0, {}, {}});
        break;
      case json::parse_event_t::array_start:
        frames_.push_back({true, 0, {}, {}});
        break;
      case json::parse_event_t::key: {
        Frame& top = frames_.back();
        top.key = parsed.get<std::string>();
        if (!top.keys.insert(top.key).second && !found_) found_ = Pointer();
        break;
      }
      case json::parse_event_t::value:
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
        break;
      case json::parse_event_t::object_end:
      case json::parse_event_t::array_end:
        frames_.pop_back();
        if (!frames_.empty() && frames_.back().array) ++frames_.back().index;
        break;
    }
    return true;
  }

  const std::optional<std::string>& Found() const { return found_; }

 private:
  struct Frame {
    bool array;
    size_t index;
    std::string key;
    std::set<std::string> keys;
  };

  std::string Pointer() const {
    std::string out;
    for (const Frame& frame : frames_) {
      out += '/';
      out += frame.array ? std::to_string(frame.index) : PointerToken(frame.key);
    }
    return out;
  }

  std::vector<Frame> frames_;
  std::optional<std::string> found_;
};

// Parses JSON text into `out`; on a syntax fault or a repeated key fills `place` and `reason`.
bool ParseJsonText(std::string_view text, json& out, std::string& place, std::string& reason) {
  auto watch = std::make_shared<DuplicateKeyWatch>();
  try {
    out = json::parse(text.begin(), text.end(),
                      [watch](int depth, json::parse_event_t event, json& parsed) {
                        return (*watch)(depth, event, parsed);
                      });
  } catch (const json::parse_error& e) {
    // The library counts a position in bytes; operators count lines and columns.
    size_t line = 1;
    size_t column = 1;
    const size_t stop = std::min(static_cast<size_t>(e.byte > 0 ? e.byte - 1 : 0), text.size());
    for (size_t i = 0; i < stop; ++i) {
      if (text[i] == '\n') {
        ++line;
        column = 1;
      } else {
        ++column;
      }
    }
    place = "line " + std::to_string(line) + ", column " + std::to_string(column);
    std::string what = e.what();
    const size_t columnAt = what.find("column ");
    const size_t colon =
        columnAt == std::string::npos ? what.find(": ") : what.find(": ", columnAt);
    reason = colon == std::string::npos ? what : what.substr(colon + 2);
    return false;
  } catch (const json::exception& e) {
    place = "(whole file)";
    reason = e.what();
    return false;
  }
  if (watch->Found()) {
    place = *watch->Found();
    reason = "key given twice";
    return false;
  }
  return true;
}

// Walks a parsed document, checking types and ranges; remembers the first fault.
class Checker {
 public:
  bool Failed() const { return !reason_.empty(); }
  const std::string& Place() const { return place_; }
  const std::string& Reason() const { return reason_; }

  void Fail(const std::string& place, const std::string& reason) {
    if (Failed()) return;
    place_ = place.empty() ? "/" : place;
    reason_ = reason;
  }

  static std::string Join(const std::string& place, const std::string& key) {
    return place + "/" + PointerToken(key);
  }

  // Refuses keys outside `allowed`.
  bool OnlyKeys(const json& object, const std::string& place,
                std::initializer_list<std::string_view> allowed) {
    if (!IsObject(object, place)) return false;
    for (const auto& [key, value] : object.items()) {
      bool known = false;
      for (std::string_view name : allowed)
        known = known || key == name;
      if (!known) {
        Fail(Join(place, key), "unknown key '" + key + "'");
        return false;
      }
    }
    return true;
  }

  bool IsObject(const json& value, const std::string& place) {
    if (value.is_object()) return true;
    Fail(place, "expected an object, found " + std::string(value.type_name()));
    return false;
  }

  // An integer, written as a JSON number or as a hexadecimal text "0x20".
  std::optional<int64_t> Integer(const json& value, const std::string& place, int64_t low,
                                 int64_t high) {
    std::optional<int64_t> number;
    if (value.is_number_unsigned()) {
      const uint64_t u = value.get<uint64_t>();
      if (u <= static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        number = static_cast<int64_t>(u);
      } else {
        Fail(place, "value " + std::to_string(u) + " out of range " + Range(low, high));
        return std::nullopt;
      }
    } else if (value.is_number_integer()) {
      number = value.get<int64_t>();
    } else if (value.is_string()) {
      const std::optional<uint32_t> hex = ParseHexNumber(value.get<std::string>());
      if (!hex) {
        Fail(place, "'" + value.get<std::string>() + "' is not a number such as 32 or \"0x20\"");
        return std::nullopt;
      }
      number = *hex;
    } else {
      Fail(place, "expected an integer or a hexadecimal text, found " +
                      std::string(value.is_number_float() ? "a fraction" : value.type_name()));
      return std::nullopt;
    }
    if (*number < low || *number > high) {
      Fail(place, "value " + std::to_string(*number) + " out of range " + Range(low, high));
      return std::nullopt;
    }
    return number;
  }

  std::optional<std::string> Text(const json& value, const std::string& place) {
    if (value.is_string()) return value.get<std::string>();
    Fail(place, "expected a text, found " + std::string(value.type_name()));
    return std::nullopt;
  }

  std::optional<bool> Boolean(const json& value, const std::string& place) {
    if (value.is_boolean()) return value.get<bool>();
    Fail(place, "expected true or false, found " + std::string(value.type_name()));
    return std::nullopt;
  }

  std::optional<std::vector<uint8_t>> Bytes(const json& value, const std::string& place,
                                            size_t exactSize, size_t maxSize) {
    const std::optional<std::string> text = Text(value, place);
    if (!text) return std::nullopt;
    std::string why;
    std::optional<std::vector<uint8_t>> bytes = ParseHexBytes(*text, why);
    if (!bytes) {
      Fail(place, why);
      return std::nullopt;
    }
    if (exactSize != 0 && bytes->size() != exactSize) {
      Fail(place, "expected " + std::to_string(exactSize) + " bytes (" +
                      std::to_string(exactSize * 2) + " hexadecimal digits), found " +
                      std::to_string(bytes->size()));
      return std::nullopt;
    }
    if (bytes->size() > maxSize) {
      Fail(place, "more than " + std::to_string(maxSize) + " bytes");
      return std::nullopt;
    }
    return bytes;
  }

  // A key of an address map ("0x51" or "81"), within 0..high.
  std::optional<int64_t> AddressKey(const std::string& key, const std::string& place,
                                    int64_t high) {
    std::optional<int64_t> address;
    if (const std::optional<uint32_t> hex = ParseHexNumber(key)) {
      address = *hex;
    } else if (!key.empty() && key.size() <= 10 &&
               key.find_first_not_of("0123456789") == std::string::npos) {
      address = std::stoll(key);
    } else {
      Fail(place, "'" + key + "' is not an address such as \"0x51\"");
      return std::nullopt;
    }
    if (*address > high) {
      Fail(place, "address " + key + " out of range " + Range(0, high));
      return std::nullopt;
    }
    return address;
  }

 private:
  static std::string Range(int64_t low, int64_t high) {
    return std::to_string(low) + ".." + std::to_string(high);
  }

  std::string place_;
  std::string reason_;
};

constexpr int64_t kInt16Low = std::numeric_limits<int16_t>::min();
constexpr int64_t kInt16High = std::numeric_limits<int16_t>::max();
constexpr int64_t kPattern16High = 0xFFFF;  // words may be written as their 16-bit pattern
constexpr int64_t kInt32Low = std::numeric_limits<int32_t>::min();
constexpr int64_t kPattern32High = 0xFFFFFFFFLL;
constexpr size_t kMaxRuleData = 4096;

// One input or output of a rule, read by its width: 16-bit and 32-bit numbers also as their
// unsigned pattern, texts, bytes up to kMaxRuleData.
bool ReadField(Checker& check, const json& value, const std::string& place, const Param& param,
               FieldValues& values) {
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

bool ReadRule(Checker& check, const json& node, const std::string& place, BenchRule& rule) {
  if (!check.OnlyKeys(node, place, {"op", "match", "nth", "count", "status", "outputs"})) {
    return false;
  }
  if (!node.contains("op")) {
    check.Fail(place, "missing key 'op'");
    return false;
  }
  const std::optional<std::string> opName = check.Text(node["op"], Checker::Join(place, "op"));
  if (!opName) return false;
  if (*opName != "*") {
    rule.op = OperationFromName(*opName);
    if (!rule.op) {
      check.Fail(Checker::Join(place, "op"),
                 "unknown operation '" + *opName + "' (one of the thirteen operations, or \"*\")");
      return false;
    }
  }
  if (node.contains("match")) {
    const std::string matchPlace = Checker::Join(place, "match");
    if (!check.IsObject(node["match"], matchPlace)) return false;
    for (const auto& [key, value] : node["match"].items()) {
      const std::string keyPlace = Checker::Join(matchPlace, key);
      const std::optional<Param> any = AnyInput(key);
      if (!any) {
        check.Fail(keyPlace, "unknown input '" + key + "'");
        return false;
      }
      const Param* param = rule.op ? FindInput(*rule.op, key) : &*any;
      if (param == nullptr) {
        check.Fail(keyPlace, std::string(OperationName(*rule.op)) + " has no input '" + key + "'");
        return false;
      }
      if (!ReadField(check, value, keyPlace, *param, rule.match)) return false;
    }
  }
  if (node.contains("nth")) {
    const std::optional<int64_t> nth = check.Integer(node["nth"], Checker::Join(place, "nth"), 1,
                                                     std::numeric_limits<int32_t>::max());
    if (!nth) return false;
    rule.nth = *nth;
  }
  if (node.contains("count")) {
    const std::string countPlace = Checker::Join(place, "count");
    const std::optional<int64_t> times =
        check.Integer(node["count"], countPlace, -1, std::numeric_limits<int32_t>::max());
    if (!times) return false;
    if (*times == 0) {
      check.Fail(countPlace, "count 0 would never apply; use -1 for always or at least 1");
      return false;
    }
    rule.times = *times;
  }
  if (node.contains("status")) {
    const std::optional<int64_t> status =
        check.Integer(node["status"], Checker::Join(place, "status"), kInt16Low, kInt16High);
    if (!status) return false;
    rule.status = static_cast<int16_t>(*status);
  }
  if (node.contains("outputs")) {
    const std::string outPlace = Checker::Join(place, "outputs");
    if (!check.IsObject(node["outputs"], outPlace)) return false;
    for (const auto& [key, value] : node["outputs"].items()) {
      const std::string keyPlace = Checker::Join(outPlace, key);
      if (!AnyOutput(key)) {
        check.Fail(keyPlace, "unknown output '" + key + "'");
        return false;
      }
      if (!rule.op) {
        check.Fail(keyPlace, "a rule for any operation (\"*\") gives no outputs");
        return false;
      }
      const Param* param = FindOutput(*rule.op, key);
      if (param == nullptr) {
        check.Fail(keyPlace, std::string(OperationName(*rule.op)) + " has no output '" + key + "'");
        return false;
      }
      if (!ReadField(check, value, keyPlace, *param, rule.outputs)) return false;
    }
  }
  return true;
}

bool ReadMemoryMap(Checker& check, const json& node, const std::string& place, int64_t highAddress,
                   uint8_t* memory) {
  if (!check.IsObject(node, place)) return false;
  for (const auto& [key, value] : node.items()) {
    const std::string keyPlace = Checker::Join(place, key);
    const std::optional<int64_t> address = check.AddressKey(key, keyPlace, highAddress);
    if (!address) return false;
    const std::optional<int64_t> byte = check.Integer(value, keyPlace, 0, 0xFF);
    if (!byte) return false;
    memory[*address] = static_cast<uint8_t>(*byte);
  }
  return true;
}

bool ReadRows(Checker& check, const json& node, const std::string& place,
              std::map<uint16_t, FlashRow>& rows) {
  if (!check.IsObject(node, place)) return false;
  for (const auto& [key, value] : node.items()) {
    const std::string keyPlace = Checker::Join(place, key);
    const std::optional<int64_t> address = check.AddressKey(key, keyPlace, 0xFFFF);
    if (!address) return false;
    if (*address % 32 != 0) {
      check.Fail(keyPlace, "row address " + key + " is not a multiple of 32");
      return false;
    }
    const std::optional<std::vector<uint8_t>> bytes = check.Bytes(value, keyPlace, 32, 32);
    if (!bytes) return false;
    std::copy(bytes->begin(), bytes->end(), rows[static_cast<uint16_t>(*address)].begin());
  }
  return true;
}

bool ReadBench(Checker& check, const json& root, const std::filesystem::path& baseDir,
               BenchConfig& config) {
  if (!check.OnlyKeys(root, "",
                      {"adapters", "open_result", "adapter_version", "target", "controller",
                       "rules", "state_file"})) {
    return false;
  }
  if (root.contains("adapters")) {
    const json& list = root["adapters"];
    if (!list.is_array()) {
      check.Fail("/adapters", "expected an array of names, found " + std::string(list.type_name()));
      return false;
    }
    config.adapters.clear();
    for (size_t i = 0; i < list.size(); ++i) {
      const std::string place = "/adapters/" + std::to_string(i);
      const std::optional<std::string> name = check.Text(list[i], place);
      if (!name) return false;
      // ListDevices joins the names with ",", so a name may not hold one.
      if (name->empty() || name->find(',') != std::string::npos) {
        check.Fail(place, "an adapter name must be non-empty and without ','");
        return false;
      }
      config.adapters.push_back(*name);
    }
  }
  if (root.contains("open_result")) {
    const std::optional<int64_t> result =
        check.Integer(root["open_result"], "/open_result", kInt16Low, kInt16High);
    if (!result) return false;
    config.openResult = static_cast<int16_t>(*result);
  }
  if (root.contains("adapter_version")) {
    const std::optional<std::string> version =
        check.Text(root["adapter_version"], "/adapter_version");
    if (!version) return false;
    if (version->size() != 3) {
      check.Fail("/adapter_version", "expected exactly three characters, such as \"1.2\"");
      return false;
    }
    config.adapterVersion = *version;
  }
  if (root.contains("target")) {
    const json& target = root["target"];
    if (!check.OnlyKeys(target, "/target", {"configured", "memory"})) return false;
    if (target.contains("configured")) {
      const std::optional<bool> configured =
          check.Boolean(target["configured"], "/target/configured");
      if (!configured) return false;
      if (*configured) WriteTargetConfiguration(config.targetMemory);
    }
    // Explicit bytes come after "configured", so a file can spoil one byte of a configured block.
    if (target.contains("memory") && !ReadMemoryMap(check, target["memory"], "/target/memory", 0xFF,
                                                    config.targetMemory.data())) {
      return false;
    }
  }
  if (root.contains("controller")) {
    const json& controller = root["controller"];
    if (!check.OnlyKeys(controller, "/controller",
                        {"silicon_version", "reserved_row", "rows", "memory", "programmed"})) {
      return false;
    }
    if (controller.contains("silicon_version")) {
      const std::string place = "/controller/silicon_version";
      const std::optional<std::string> text = check.Text(controller["silicon_version"], place);
      if (!text) return false;
      unsigned major = 256;
      unsigned minor = 256;
      char extra = 0;
      if (std::sscanf(text->c_str(), "%3u.%3u%c", &major, &minor, &extra) != 2 || major > 255 ||
          minor > 255 || text->find_first_not_of("0123456789.") != std::string::npos) {
        check.Fail(place, "expected major.minor, each 0..255, such as \"1.4\"");
        return false;
      }
      config.siliconVersion = static_cast<uint16_t>(major << 8 | minor);
    }
    if (controller.contains("reserved_row")) {
      const std::optional<std::vector<uint8_t>> bytes =
          check.Bytes(controller["reserved_row"], "/controller/reserved_row", 32, 32);
      if (!bytes) return false;
      std::copy(bytes->begin(), bytes->end(), config.rows[kReservedRowAddress].begin());
    }
    if (controller.contains("rows") &&
        !ReadRows(check, controller["rows"], "/controller/rows", config.rows)) {
      return false;
    }
    if (controller.contains("memory") &&
        !ReadMemoryMap(check, controller["memory"], "/controller/memory", 0xFFFF,
                       config.controllerMemory.data())) {
      return false;
    }
    if (controller.contains("programmed")) {
      const std::optional<bool> programmed =
          check.Boolean(controller["programmed"], "/controller/programmed");
      if (!programmed) return false;
      config.imagePresent = *programmed;
    }
  }
  if (root.contains("rules")) {
    const json& rules = root["rules"];
    if (!rules.is_array()) {
      check.Fail("/rules", "expected an array of rules, found " + std::string(rules.type_name()));
      return false;
    }
    for (size_t i = 0; i < rules.size(); ++i) {
      BenchRule rule;
      if (!ReadRule(check, rules[i], "/rules/" + std::to_string(i), rule)) return false;
      config.rules.push_back(std::move(rule));
    }
  }
  if (root.contains("state_file")) {
    const std::optional<std::string> path = check.Text(root["state_file"], "/state_file");
    if (!path) return false;
    if (path->empty()) {
      check.Fail("/state_file", "empty path");
      return false;
    }
    const std::filesystem::path given(*path);
    config.stateFile = given.is_absolute() ? given : baseDir / given;
  }
  return true;
}

bool ReadWholeFile(const std::filesystem::path& path, std::string& text, std::string& reason) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    reason = "is a folder, not a file";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    reason = std::filesystem::exists(path, ec) ? "cannot be opened" : "no such file";
    return false;
  }
  std::ostringstream contents;
  contents << in.rdbuf();
  if (in.bad()) {
    reason = "cannot be read";
    return false;
  }
  text = contents.str();
  return true;
}

}  // namespace

bool ParseBench(std::string_view text, const std::string& sourceName,
                const std::filesystem::path& baseDir, BenchConfig& config, std::string& error) {
  json root;
  std::string place;
  std::string reason;
  if (!ParseJsonText(text, root, place, reason)) {
    error = sourceName + ": " + place + ": " + reason;
    return false;
  }
  Checker check;
  BenchConfig parsed;
  if (!ReadBench(check, root, baseDir, parsed)) {
    error = sourceName + ": " + check.Place() + ": " + check.Reason();
    return false;
  }
  config = std::move(parsed);
  return true;
}

bool LoadBenchFile(const std::filesystem::path& path, BenchConfig& config, std::string& error) {
  std::string text;
  std::string reason;
  if (!ReadWholeFile(path, text, reason)) {
    error = path.string() + ": " + reason;
    return false;
  }
  return ParseBench(text, path.string(), path.parent_path(), config, error);
}

bool ParseBenchRule(std::string_view text, BenchRule& rule, std::string& error) {
  json node;
  std::string place;
  std::string reason;
  if (!ParseJsonText(text, node, place, reason)) {
    error = "rule: " + place + ": " + reason;
    return false;
  }
  Checker check;
  BenchRule parsed;
  if (!ReadRule(check, node, "", parsed)) {
    error = "rule: " + check.Place() + ": " + check.Reason();
    return false;
  }
  rule = std::move(parsed);
  return true;
}

// --- state file ---

namespace {
constexpr const char* kStateFormat = "halyard-bench-state 1";
}

bool LoadBenchState(const std::filesystem::path& path, BenchState& state, bool& exists,
                    std::string& error) {
  std::error_code ec;
  exists = std::filesystem::exists(path, ec) || ec;
  if (!exists) return true;
  std::string text;
  std::string reason;
  if (!ReadWholeFile(path, text, reason)) {
    error = path.string() + ": " + reason;
    return false;
  }
  json root;
  std::string place;
  if (!ParseJsonText(text, root, place, reason)) {
    error = path.string() + ": " + place + ": " + reason;
    return false;
  }
  Checker check;
  BenchState parsed;
  parsed.rows.clear();
  [&] {
    if (!check.OnlyKeys(root, "", {"format", "target_memory", "rows"})) return;
    if (!root.contains("format") || !root["format"].is_string() ||
        root["format"].get<std::string>() != kStateFormat) {
      check.Fail("/format", std::string("expected \"") + kStateFormat + "\"");
      return;
    }
    if (!root.contains("target_memory")) {
      check.Fail("", "missing key 'target_memory'");
      return;
    }
    const std::optional<std::vector<uint8_t>> memory =
        check.Bytes(root["target_memory"], "/target_memory", 256, 256);
    if (!memory) return;
    std::copy(memory->begin(), memory->end(), parsed.targetMemory.begin());
    if (root.contains("rows")) ReadRows(check, root["rows"], "/rows", parsed.rows);
  }();
  if (check.Failed()) {
    error = path.string() + ": " + check.Place() + ": " + check.Reason();
    return false;
  }
  state = std::move(parsed);
  return true;
}

bool SaveBenchState(const std::filesystem::path& path, const BenchState& state,
                    std::string& error) {
  json root;
  root["format"] = kStateFormat;
  root["target_memory"] = FormatHexBytes(state.targetMemory.data(), state.targetMemory.size());
  json rows = json::object();
  for (const auto& [address, row] : state.rows) {
    char key[8];
    std::snprintf(key, sizeof key, "0x%04X", static_cast<unsigned>(address));
    rows[key] = FormatHexBytes(row.data(), row.size());
  }
  root["rows"] = rows;
  const std::string text = root.dump(2) + "\n";

  // Same folder as the target, so the rename never crosses file systems.
  std::filesystem::path temp = path;
  temp += ".tmp";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = temp.string() + ": cannot be created";
      return false;
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.flush();
    if (!out) {
      out.close();
      std::error_code ignored;
      std::filesystem::remove(temp, ignored);
      error = temp.string() + ": cannot be written";
      return false;
    }
  }
  std::error_code ec;
  std::filesystem::rename(temp, path, ec);
  if (ec) {
    std::error_code ignored;
    std::filesystem::remove(temp, ignored);
    error = path.string() + ": cannot replace: " + ec.message();
    return false;
  }
  return true;
}

}  // namespace halyard
