// Runs saved inputs through a harness without libFuzzer: every file named, and every file in
// every folder named, in name order. The test suite runs it on the committed corpora, so an
// input that once failed is tried on every build; by hand it replays one finding under a
// debugger.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzCheck.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> InputsIn(const fs::path& path) {
  if (!fs::is_directory(path)) return {path};
  std::vector<fs::path> files;
  for (const fs::directory_entry& entry : fs::directory_iterator(path)) {
    if (entry.is_regular_file()) files.push_back(entry.path());
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace

int main(int argc, char** argv) {
  size_t replayed = 0;
  for (int i = 1; i < argc; ++i) {
    for (const fs::path& file : InputsIn(argv[i])) {
      std::ifstream in(file, std::ios::binary);
      if (!in) {
        std::cerr << file.string() << ": cannot be read\n";
        return 1;
      }
      const std::string bytes{std::istreambuf_iterator<char>(in), {}};
      // A harness stops the process on a failed property; naming the file first says which.
      std::cerr << "replaying " << file.string() << "\n";
      LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
      ++replayed;
    }
  }
  std::cout << replayed << " inputs replayed\n";
  // A corpus that went missing must not pass as a corpus that passed.
  return replayed > 0 ? 0 : 1;
}
