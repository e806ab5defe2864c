// Files for the bench tests: a scratch folder per test, and the project's own files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "support/Paths.h"

namespace halyard::testing {

// Named after the test and the process, so tests run in parallel by ctest do not share one.
struct ScratchDir {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("halyard-sim-" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
       std::to_string(::getpid()));
  ScratchDir() {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  std::error_code ignored;
  ~ScratchDir() { std::filesystem::remove_all(path, ignored); }
  std::filesystem::path Write(const std::string& name, const std::string& text) const {
    std::ofstream(path / name, std::ios::binary) << text;
    return path / name;
  }
};

inline std::string ReadText(const std::filesystem::path& file) {
  return (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
}

inline std::filesystem::path FirmwareFile(const std::string& name) {
  return SourceDir() / "firmware" / name;
}

}  // namespace halyard::testing
