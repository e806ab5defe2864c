// Files for the bench tests: a fresh scratch folder per test, and the project's own files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace halyard::testing {

// A folder that exists for one test and is removed afterwards. Named after the test and the
// process, so tests run in parallel by ctest do not share one.
class ScratchDir {
 public:
  ScratchDir() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = std::string("halyard-sim-") + info->test_suite_name() + "-" + info->name() +
                       "-" + std::to_string(::getpid());
    std::replace(name.begin(), name.end(), '/', '_');
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& text) const {
    std::ofstream(path_ / name, std::ios::binary) << text;
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadText(const std::filesystem::path& file) {
  std::ostringstream text;
  text << std::ifstream(file, std::ios::binary).rdbuf();
  return text.str();
}

// The source tree: from HALYARD_SOURCE_DIR when ctest sets it, else from this file's place.
inline std::filesystem::path SourceDir() {
  const char* dir = std::getenv("HALYARD_SOURCE_DIR");
  if (dir != nullptr && *dir != '\0') return dir;
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

inline std::filesystem::path FirmwareFile(const std::string& name) {
  return SourceDir() / "firmware" / name;
}

}  // namespace halyard::testing
