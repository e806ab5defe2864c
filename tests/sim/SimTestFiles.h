// Files and benches for the bench tests: a scratch folder per test, the project's own files, and
// a bench opened as the station has it after start-up.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "sim/SimulatedAdapter.h"
#include "support/Files.h"
#include "support/Paths.h"
#include "support/ScratchDir.h"

namespace halyard::testing {

inline std::filesystem::path FirmwareFile(const std::string& name) {
  return SourceDir() / "firmware" / name;
}

// A bench built from bench-file text and opened.
inline std::unique_ptr<SimulatedAdapter> Open(const std::string& json = "{}",
                                              const std::filesystem::path& baseDir = ".",
                                              int16_t openResult = 0) {
  std::string error;
  std::unique_ptr<SimulatedAdapter> sim = MakeSimulatedAdapterFromJson(json, error, baseDir);
  EXPECT_NE(sim, nullptr) << error;
  EXPECT_EQ(sim ? sim->OpenDevice("HALYARD-SIM0") : -2, openResult);
  return sim;
}

}  // namespace halyard::testing
