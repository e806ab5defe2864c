// What every harness shares: a failed property stops the run at once, naming the property, so
// libFuzzer keeps the input as a crash and the replay in the test suite fails on it.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

// Not assert(): it must hold in the optimised builds too.
#define FUZZ_CHECK(condition)                                                               \
  do {                                                                                      \
    if (!(condition)) {                                                                     \
      std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
      std::abort();                                                                         \
    }                                                                                       \
  } while (false)

namespace halyard::fuzz {

inline std::string_view AsText(const uint8_t* data, size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// Messages of the readers are one line each: a script reads them line by line.
inline bool OneLine(std::string_view message) {
  return message.find_first_of("\r\n") == std::string_view::npos;
}

}  // namespace halyard::fuzz

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);
