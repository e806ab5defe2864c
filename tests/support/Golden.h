// Golden transaction traces: a test's trace lines compared with a committed file. Run a test
// with HALYARD_UPDATE_GOLDEN=1 to write the file anew, then review the difference line by line
// before committing it.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "support/Paths.h"

namespace halyard::testing {

inline std::filesystem::path GoldenPath(const std::string& relative) {
  return SourceDir() / "tests" / relative;
}

inline void ExpectGolden(const std::vector<std::string>& lines, const std::string& relative) {
  const std::filesystem::path path = GoldenPath(relative);
  const char* update = std::getenv("HALYARD_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    for (const std::string& line : lines)
      out << line << '\n';
    return;
  }
  std::ifstream in(path, std::ios::binary);
  ASSERT_TRUE(in) << "missing golden file " << path << " (write it with HALYARD_UPDATE_GOLDEN=1)";
  std::vector<std::string> expected;
  for (std::string line; std::getline(in, line);)
    expected.push_back(line);
  const size_t common = std::min(lines.size(), expected.size());
  for (size_t i = 0; i < common; ++i) {
    ASSERT_EQ(lines[i], expected[i]) << "first difference at line " << i + 1 << " of " << path;
  }
  ASSERT_EQ(lines.size(), expected.size()) << "trace length differs from " << path;
}

// The lines with the checkout's path written as <source>, so a golden file holds no machine's
// folders.
inline std::vector<std::string> WithSourcePlaceholder(std::vector<std::string> lines) {
  const std::string dir = SourceDir().string();
  for (std::string& line : lines) {
    for (size_t at; (at = line.find(dir)) != std::string::npos;)
      line.replace(at, dir.size(), "<source>");
  }
  return lines;
}

}  // namespace halyard::testing
