// What a test's files and the programs it starts hold.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace halyard::testing {

// The whole of `file`, byte for byte; empty when it cannot be read.
inline std::string ReadText(const std::filesystem::path& file) {
  return (std::ostringstream() << std::ifstream(file, std::ios::binary).rdbuf()).str();
}

// What `command`, run by the shell, writes to its standard output; it must exit with 0.
inline std::string ProgramOutput(const std::string& command) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot start " << command;
    return output;
  }
  char buffer[4096];
  for (size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;)
    output.append(buffer, n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return output;
}

}  // namespace halyard::testing
