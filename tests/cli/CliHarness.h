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

inline fs::path BinDir() {
  const char* dir = std::getenv("HALYARD_BIN_DIR");
  return fs::path(dir != nullptr && *dir != '\0' ? dir : HALYARD_TEST_BIN_DIR);
}

struct CliRun {
  int code = -1;
  std::string out;
  std::string err;
  std::vector<nlohmann::json> lines;  // stdout parsed line by line (for --json runs)
};

inline std::vector<nlohmann::json> ParseLines(const std::string& out) {
  std::vector<nlohmann::json> lines;
  std::istringstream stream(out);
  for (std::string line; std::getline(stream, line);) {
    lines.push_back(nlohmann::json::parse(line, nullptr, false));
    EXPECT_FALSE(lines.back().is_discarded()) << "not a JSON line: " << line;
  }
  return lines;
}

// A fresh scratch folder per test holding a configuration beside a pretend program folder;
// it names the firmware images shipped with the sources and the version the bench reports.
class CliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "halyardctl-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    programDir_ = scratch_ / "bin";
    fs::create_directories(programDir_);
    const char* source = std::getenv("HALYARD_SOURCE_DIR");
    const fs::path firmware = fs::path(source ? source : HALYARD_TEST_SOURCE_DIR) / "firmware";
    Write(programDir_ / "halyard-station.ini",
          "[DefaultFiles]\nSREC_FileName=" + (firmware / "halyard-fw.srec").string() +
              "\nTRIM_FileName=" + (firmware / "gxTrim.srec").string() +
              "\nEXPECTED_VERSION=1.2\n");
  }
  void TearDown() override {
    std::error_code ec;
    if (!scratch_.empty()) fs::remove_all(scratch_, ec);
  }

  static void Write(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
    ASSERT_TRUE(fs::exists(path)) << path;
  }
  // Writes a bench file into the scratch folder and returns its path.
  std::string Bench(const std::string& name, const std::string& json) {
    Write(scratch_ / name, json);
    return (scratch_ / name).string();
  }
  std::string DefaultBench() { return Bench("bench.json", R"({"adapter_version": "1.2"})"); }

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

  fs::path scratch_;
  fs::path programDir_;
};

}  // namespace halyard::cli::testing
