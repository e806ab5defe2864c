// Files for the bench tests: a fresh scratch folder per test, and the project's own files.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

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
    for (char& c : name) {
      if (c == '/') c = '_';
    }
    path_ = std::filesystem::temp_directory_path() / name;
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~ScratchDir() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path Write(const std::string& name, const std::string& text) const {
    const std::filesystem::path file = path_ / name;
    std::ofstream(file, std::ios::binary) << text;
    return file;
  }

 private:
  std::filesystem::path path_;
};

inline std::string ReadText(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// The source tree: from HALYARD_SOURCE_DIR when ctest sets it, else from this file's place.
inline std::filesystem::path SourceDir() {
  if (const char* dir = std::getenv("HALYARD_SOURCE_DIR"); dir != nullptr && *dir != '\0') {
    return dir;
  }
  return std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}

inline std::filesystem::path FirmwareFile(const std::string& name) {
  return SourceDir() / "firmware" / name;
}

}  // namespace halyard::testing
