// A scratch folder of one test: named after the test and the process, so tests that ctest runs in
// parallel never write the same file, and removed when the test ends.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace halyard::testing {

struct ScratchDir {
  std::filesystem::path path =
      std::filesystem::temp_directory_path() /
      ("halyard-test-" +
       std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" +
       std::to_string(::getpid()));
  ScratchDir() {
    std::filesystem::remove_all(path);
    std::filesystem::create_directories(path);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  std::error_code ignored;
  ~ScratchDir() { std::filesystem::remove_all(path, ignored); }
  std::filesystem::path Write(const std::string& name, const std::string& text) const {
    std::ofstream(path / name, std::ios::binary) << text;
    return path / name;
  }
};

}  // namespace halyard::testing
