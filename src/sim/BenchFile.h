// The bench file: a JSON file that sets the simulated bench's starting state and scripts its
// replies and faults. A fault is reported as one line naming the file, the place and the reason.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "sim/BenchRule.h"
#include "sim/SimController.h"
#include "sim/SimTarget.h"

namespace halyard {

struct BenchConfig {
  std::vector<std::string> adapters{"HALYARD-SIM0"};
  int16_t openResult = 0;
  std::string adapterVersion = "1.2";  // exactly three characters
  TargetMemory targetMemory = BlankTarget();
  ControllerSetup controller;
  std::vector<BenchRule> rules;
  std::filesystem::path stateFile;  // empty: nothing outlives the process
};

// Parses bench-file text. `sourceName` names the text in errors; a relative `state_file` is
// taken relative to `baseDir`. On failure `config` is unchanged and `error` holds one line.
bool ParseBench(std::string_view text, const std::string& sourceName,
                const std::filesystem::path& baseDir, BenchConfig& config, std::string& error);
// Reads a bench file: a regular file of at most 16 MiB; an empty path is refused.
bool LoadBenchFile(const std::filesystem::path& path, BenchConfig& config, std::string& error);

// One rule in the bench file's form, e.g. {"op": "ReadSmbusWord", "status": 7}.
bool ParseBenchRule(std::string_view text, BenchRule& rule, std::string& error);

}  // namespace halyard
