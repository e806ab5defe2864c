// Where the checkout and the built programs are: from ctest's environment, else the folders
// the build was configured with, so a test binary also runs by hand.
#pragma once

#include <cstdlib>
#include <filesystem>

namespace halyard::testing {

inline std::filesystem::path FromEnvironment(const char* name, const char* configured) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : configured;
}

inline std::filesystem::path SourceDir() {
  return FromEnvironment("HALYARD_SOURCE_DIR", HALYARD_TEST_SOURCE_DIR);
}

inline std::filesystem::path BinDir() {
  return FromEnvironment("HALYARD_BIN_DIR", HALYARD_TEST_BIN_DIR);
}

}  // namespace halyard::testing
