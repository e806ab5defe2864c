// Shared set-up of the halyardctl tests: a scratch folder with a configuration file and
// bench files, an in-process run that captures both streams, and the JSON lines parsed.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Halyardctl.h"

namespace halyard::cli::testing {

namespace fs = std::filesystem;

inline fs::path EnvDir(const char* name, const char* fallback) {
  const char* value = std::getenv(name);
  return fs::path(value != nullptr && *value != '\0' ? value : fallback);
}
inline fs::path SourceDir() {
  return EnvDir("HALYARD_SOURCE_DIR", HALYARD_TEST_SOURCE_DIR);
}
inline fs::path BinDir() {
  return EnvDir("HALYARD_BIN_DIR", HALYARD_TEST_BIN_DIR);
}

inline void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  file << text;
  ASSERT_TRUE(file.good()) << path;
}

// A fresh folder per test, removed afterwards.
class ScratchDir {
 public:
  ScratchDir() {
    std::string pattern = (fs::temp_directory_path() / "halyardctl-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr)
      path_ = pattern;
  }
  ~ScratchDir() {
    std::error_code ec;
    if (!path_.empty())
      fs::remove_all(path_, ec);
  }
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const fs::path& Path() const { return path_; }

 private:
  fs::path path_;
};

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<nlohmann::json> lines;  // stdout parsed line by line (for --json runs)
};

inline std::vector<nlohmann::json> ParseLines(const std::string& out) {
  std::vector<nlohmann::json> lines;
  std::istringstream stream(out);
  std::string line;
  while (std::getline(stream, line)) {
    nlohmann::json parsed = nlohmann::json::parse(line, nullptr, false);
    EXPECT_FALSE(parsed.is_discarded()) << "not a JSON line: " << line;
    lines.push_back(std::move(parsed));
  }
  return lines;
}

// The station the tests run: a configuration beside a pretend program folder that names the
// firmware images shipped with the sources and the version the bench reports.
class CliTest : public ::testing::Test {
 protected:
  static constexpr const char* kAdapterVersion = "1.2";

  void SetUp() override {
    ASSERT_FALSE(scratch_.Path().empty());
    programDir_ = scratch_.Path() / "bin";
    fs::create_directories(programDir_);
    const fs::path firmware = SourceDir() / "firmware";
    WriteFile(programDir_ / "halyard-station.ini",
              "[DefaultFiles]\nSREC_FileName=" + (firmware / "halyard-fw.srec").string() +
                  "\nTRIM_FileName=" + (firmware / "gxTrim.srec").string() +
                  "\nEXPECTED_VERSION=" + kAdapterVersion + "\n");
  }

  // Writes a bench file into the scratch folder and returns its path.
  std::string Bench(const std::string& name, const std::string& json) {
    const fs::path path = scratch_.Path() / name;
    WriteFile(path, json);
    return path.string();
  }
  std::string DefaultBench() {
    return Bench("bench.json", std::string("{\"adapter_version\": \"") + kAdapterVersion + "\"}");
  }

  CliRun Run(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    CliRun run;
    run.code = HalyardctlMain(args, programDir_, out, err);
    run.out = out.str();
    run.err = err.str();
    return run;
  }
  // A --json --no-wait run on `bench`, its lines parsed.
  CliRun RunJson(const std::string& bench, const std::vector<std::string>& steps) {
    std::vector<std::string> args{"--json", "--no-wait", "--bench", bench};
    args.insert(args.end(), steps.begin(), steps.end());
    CliRun run = Run(args);
    run.lines = ParseLines(run.out);
    return run;
  }

  ScratchDir scratch_;
  fs::path programDir_;
};

}  // namespace halyard::cli::testing
