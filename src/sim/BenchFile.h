// The bench file: a JSON file that sets the simulated bench's starting state and scripts its
// replies and faults, and the state file in which the devices' non-volatile memories outlive
// the process. Parsing reports one line naming the file, the place and the reason.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "adapter/Protocol.h"
#include "sim/BenchRule.h"

namespace halyard {

using FlashRow = std::array<uint8_t, 32>;
using TargetMemory = std::array<uint8_t, 256>;

// The factory pattern of a fresh controller's reserved row: bytes 0 to 29 count up from 0x00,
// byte 30 holds the midrange trim 0x80, byte 31 is still erased (0xFF).
FlashRow DefaultReservedRow();

// Writes a configured target's block: flag bit 0 of register 0x51, the length in 0x20, the text
// from 0x21 on. The other bits of 0x51 are kept, as configuring a real target keeps them.
void WriteTargetConfiguration(TargetMemory& memory);

struct BenchConfig {
  std::vector<std::string> adapters{"HALYARD-SIM0"};
  int16_t openResult = 0;
  std::string adapterVersion = "1.2";  // exactly three characters
  TargetMemory targetMemory = BlankTarget();
  uint16_t siliconVersion = 0x0104;  // major in the high byte
  std::vector<uint8_t> controllerMemory = std::vector<uint8_t>(kControllerMemoryBytes, 0x00);
  std::map<uint16_t, FlashRow> rows{{kReservedRowAddress, DefaultReservedRow()}};
  bool imagePresent = false;  // an image was programmed before the bench started
  std::vector<BenchRule> rules;
  std::filesystem::path stateFile;  // empty: nothing outlives the process

  static TargetMemory BlankTarget() {
    TargetMemory memory;
    memory.fill(0xFF);
    return memory;
  }
};

// Parses bench-file text. `sourceName` names the text in errors; a relative `state_file` is
// taken relative to `baseDir`. On failure `config` is unchanged and `error` holds one line.
bool ParseBench(std::string_view text, const std::string& sourceName,
                const std::filesystem::path& baseDir, BenchConfig& config, std::string& error);
bool LoadBenchFile(const std::filesystem::path& path, BenchConfig& config, std::string& error);

// One rule in the bench file's form, e.g. {"op": "ReadSmbusWord", "status": 7}.
bool ParseBenchRule(std::string_view text, BenchRule& rule, std::string& error);

// What the state file holds.
struct BenchState {
  TargetMemory targetMemory = BenchConfig::BlankTarget();
  std::map<uint16_t, FlashRow> rows;
};

// A missing file is not an error: `exists` is then false and `state` unchanged.
bool LoadBenchState(const std::filesystem::path& path, BenchState& state, bool& exists,
                    std::string& error);
// Writes a temporary file beside `path` and renames it over `path`, so a reader sees either
// the old state or the new one, never a part.
bool SaveBenchState(const std::filesystem::path& path, const BenchState& state, std::string& error);

}  // namespace halyard
