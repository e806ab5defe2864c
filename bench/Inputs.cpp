// Writes the generated inputs of the file benchmarks.
#include "Inputs.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "BenchSupport.h"

namespace halyard::bench {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

void AppendByte(std::string& out, unsigned value) {
  out += kHex[(value >> 4) & 0xF];
  out += kHex[value & 0xF];
}

// One record with a 16-bit address: type, length, address, data, checksum, line end.
std::string Record(char type, uint16_t address, const std::vector<uint8_t>& data) {
  const auto length = static_cast<unsigned>(2 + data.size() + 1);
  unsigned sum = length + (address >> 8) + (address & 0xFFu);
  std::string out = {'S', type};
  AppendByte(out, length);
  AppendByte(out, address >> 8);
  AppendByte(out, address & 0xFFu);
  for (const uint8_t byte : data) {
    AppendByte(out, byte);
    sum += byte;
  }
  AppendByte(out, ~sum & 0xFFu);
  out += '\n';
  return out;
}

std::string Rule(int index) {
  const std::string nth = std::to_string(index + 1);
  switch (index % 4) {
    case 0:
      return R"({"op": "ReadSmbusWord", "match": {"command": "0x0B", "device": "0x16"}, "nth": )" +
             nth + R"(, "outputs": {"word": "0x1234"}})";
    case 1:
      return R"({"op": "ReadSmbusBlock", "match": {"command": "0x20"}, "nth": )" + nth +
             R"(, "outputs": {"count": 12, "data": "48 61 6C 79 61 72 64 5F 54 65 73 74"}})";
    case 2:
      return R"({"op": "I2cAccess", "match": {"function": 2, "register": "0x51"}, "nth": )" + nth +
             R"(, "count": 1, "status": 13})";
    default:
      return R"({"op": "*", "nth": )" + nth + R"(, "status": 9})";
  }
}

bool Write(const std::filesystem::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << text;
  return static_cast<bool>(file.flush());
}

}  // namespace

std::filesystem::path BenchFileWithRules(int rules) {
  const std::filesystem::path path = ScratchDir() / ("rules-" + std::to_string(rules) + ".json");
  if (std::filesystem::exists(path)) return path;
  std::string text = "{\n  \"rules\": [\n";
  for (int i = 0; i < rules; ++i) {
    text += "    " + Rule(i) + (i + 1 < rules ? ",\n" : "\n");
  }
  text += "  ]\n}\n";
  return Write(path, text) ? path : std::filesystem::path();
}

std::filesystem::path SrecFileOfSize(size_t bytes) {
  const std::filesystem::path path = ScratchDir() / ("image-" + std::to_string(bytes) + ".srec");
  if (std::filesystem::exists(path)) return path;
  const std::string header = Record('0', 0, {'h', 'a', 'l', 'y', 'a', 'r', 'd'});
  const std::string end = Record('9', 0, {});
  std::vector<uint8_t> data(32);
  std::string text = header;
  for (uint32_t address = 0;; address = (address + 32) % 0x10000) {
    for (size_t i = 0; i < data.size(); ++i)
      data[i] = static_cast<uint8_t>(address + i * 7);
    const std::string line = Record('1', static_cast<uint16_t>(address), data);
    if (text.size() + line.size() + end.size() > bytes) break;
    text += line;
  }
  text += end;
  return Write(path, text) ? path : std::filesystem::path();
}

}  // namespace halyard::bench
