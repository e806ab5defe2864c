// Reads and writes the state file.
#include "sim/BenchState.h"

#include <cstdio>

#include "sim/HexBytes.h"
#include "sim/JsonCheck.h"
#include "sim/TextFile.h"

namespace halyard {
namespace {

constexpr std::string_view kStateFormat = "halyard-bench-state 1";

struct ImageName {
  ImageKind kind;
  std::string_view name;
};
constexpr ImageName kImageNames[] = {
    {ImageKind::kNone, "none"}, {ImageKind::kFirmware, "firmware"}, {ImageKind::kTrim, "trim"}};

}  // namespace

bool ReadFlashRows(JsonCheck& check, const JsonValue& node, const std::string& place,
                   std::map<uint16_t, FlashRow>& rows) {
  if (!check.IsObject(node, place)) return false;
  for (size_t i = 0; i < node.keys.size(); ++i) {
    const std::string keyPlace = JsonCheck::Join(place, node.keys[i]);
    const std::optional<int64_t> address =
        check.AddressKey(node.keys[i], node.items[i], keyPlace, 0xFFFF);
    if (!address) return false;
    if (*address % kRowBytes != 0) {
      check.Fail(node.items[i], keyPlace, "row address is not a multiple of 32");
      return false;
    }
    const std::optional<std::vector<uint8_t>> bytes =
        check.Bytes(node.items[i], keyPlace, kRowBytes, kRowBytes);
    if (!bytes) return false;
    std::copy(bytes->begin(), bytes->end(), rows[static_cast<uint16_t>(*address)].begin());
  }
  return true;
}

namespace {

void ReadState(JsonCheck& check, const JsonValue& root, BenchState& state) {
  if (!check.OnlyKeys(root, "", {"format", "target_memory", "rows", "image"})) return;
  const JsonValue* format = root.Find("format");
  if (format == nullptr || !format->Is(JsonValue::Type::kString) || format->text != kStateFormat) {
    check.FailAt("/format", "expected \"" + std::string(kStateFormat) + "\"");
    return;
  }
  const JsonValue* memory = root.Find("target_memory");
  if (memory == nullptr) return check.FailAt("/", "missing key 'target_memory'");
  const std::optional<std::vector<uint8_t>> bytes =
      check.Bytes(*memory, "/target_memory", kTargetMemoryBytes, kTargetMemoryBytes);
  if (!bytes) return;
  std::copy(bytes->begin(), bytes->end(), state.targetMemory.begin());
  if (const JsonValue* rows = root.Find("rows");
      rows && !ReadFlashRows(check, *rows, "/rows", state.rows))
    return;
  if (const JsonValue* image = root.Find("image")) {
    const std::optional<std::string> name = check.Text(*image, "/image");
    if (!name) return;
    for (const ImageName& known : kImageNames) {
      if (known.name == *name) state.image = known.kind;
    }
    if (!state.image) check.Fail(*image, "/image", "expected \"none\", \"firmware\" or \"trim\"");
  }
}

}  // namespace

bool LoadBenchState(const std::filesystem::path& path, BenchState& state, bool& exists,
                    std::string& error) {
  std::string text;
  std::string reason;
  const FileRead read = ReadTextFile(path, kMaxBenchFileBytes, text, reason);
  exists = read != FileRead::kMissing;
  if (read == FileRead::kMissing) return true;
  if (read == FileRead::kRefused) {
    error = path.string() + ": " + reason;
    return false;
  }
  return ParseBenchState(text, path.string(), state, error);
}

bool ParseBenchState(std::string_view text, const std::string& sourceName, BenchState& state,
                     std::string& error) {
  JsonValue root;
  if (!ParseJsonNamed(text, sourceName, root, error)) return false;
  JsonCheck check;
  BenchState parsed;
  ReadState(check, root, parsed);
  if (check.Failed()) {
    error = sourceName + ": " + check.Place() + ": " + check.Reason();
    return false;
  }
  state = std::move(parsed);
  return true;
}

std::string FormatBenchState(const BenchState& state) {
  std::string text = "{\n  \"format\": \"" + std::string(kStateFormat) + "\",\n";
  for (const ImageName& known : kImageNames) {
    if (state.image == known.kind) text += "  \"image\": \"" + std::string(known.name) + "\",\n";
  }
  text += "  \"rows\": {";
  const char* separator = "\n";
  for (const auto& [address, row] : state.rows) {
    char key[8];
    std::snprintf(key, sizeof key, "0x%04X", static_cast<unsigned>(address));
    text += separator + std::string("    \"") + key + "\": \"" +
            FormatHexBytes(row.data(), row.size()) + "\"";
    separator = ",\n";
  }
  text += state.rows.empty() ? "},\n" : "\n  },\n";
  text += "  \"target_memory\": \"" +
          FormatHexBytes(state.targetMemory.data(), state.targetMemory.size()) + "\"\n}\n";
  return text;
}

bool SaveBenchState(const std::filesystem::path& path, const BenchState& state,
                    std::string& error) {
  return WriteFileAtomically(path, FormatBenchState(state), error);
}

}  // namespace halyard
