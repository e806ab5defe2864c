// The one station the tests stand on: built by the same assembly point as the programs, on a
// simulated bench of the test's own (bench file text), with a configuration file of its own,
// message boxes recorded and a fake clock (or any pump the test hands in, such as the Qt one).
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "assembly/Station.h"
#include "sim/SimulatedAdapter.h"
#include "support/Paths.h"
#include "support/TestServices.h"

namespace halyard::testing {

// A shipped firmware image, by file name.
inline std::string Image(const char* file) {
  return (SourceDir() / "firmware" / file).string();
}

// The configuration most tests use: the shipped images, and the version the default bench's
// adapter reports.
inline std::string DefaultIni() {
  return "[DefaultFiles]\nSREC_FileName=" + Image("halyard-fw.srec") +
         "\nTRIM_FileName=" + Image("gxTrim.srec") + "\nEXPECTED_VERSION=1.2\n";
}

struct TestStationSetup {
  std::string bench = "{}";        // the bench file's text
  std::string ini = DefaultIni();  // the configuration file's text; empty: no file at all
  bool start = true;               // run start-up (its trace lines are in `all`, not in TakeTrace)
  EventPump* pump = nullptr;       // null: the fake clock below
  // Another backend than the bench in this process: "{bench}" stands for the bench file's path
  // (e.g. "driver:LIBRARY,{bench}"); sim() is then not there.
  std::string adapter = "";
  std::shared_ptr<i2c::KernelI2c> i2cKernel = nullptr;  // the kernel an i2c-dev backend calls
};

class TestStation {
 public:
  explicit TestStation(TestStationSetup setup = {}) {
    static std::atomic<int> serial{0};
    dir_ = std::filesystem::path(::testing::TempDir()) /
           ("halyard-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    std::filesystem::create_directories(dir_);
    std::ofstream(dir_ / "bench.json") << setup.bench;
    StationOptions options;
    const std::string benchPath = (dir_ / "bench.json").string();
    if (setup.adapter.empty()) options.benchPath = benchPath;
    options.adapter = setup.adapter;
    if (const size_t at = options.adapter.find("{bench}"); at != std::string::npos)
      options.adapter.replace(at, 7, benchPath);
    options.i2cKernel = setup.i2cKernel;
    options.app.programPath = dir_ / "halyard-station";
    if (!setup.ini.empty()) std::ofstream(dir_ / "halyard-station.ini") << setup.ini;
    options.traceSink = [this](const std::string& line) { all.push_back(line); };
    std::string error;
    station_ = Station::Build(options, dialogs, setup.pump ? *setup.pump : pump, error);
    if (!station_) throw std::runtime_error(error);
    if (setup.start) form().Form_Load();
    station_->TakeTrace();
  }
  ~TestStation() {
    station_.reset();
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  TestStation(const TestStation&) = delete;
  TestStation& operator=(const TestStation&) = delete;

  Form1& form() { return station_->Form(); }
  SimulatedAdapter& sim() {
    if (station_->Bench() == nullptr) throw std::logic_error("the station is not on the bench");
    return *station_->Bench();
  }
  Station& station() { return *station_; }
  const FormControls& controls() { return form().Controls(); }
  // The bus lines since start-up or the last call.
  std::vector<std::string> TakeTrace() { return station_->TakeTrace(); }
  // A scripted reply or fault, as a bench file writes it; it counts calls from now on.
  void Rule(const std::string& json) {
    std::string error;
    ASSERT_TRUE(sim().AddRuleJson(json, error)) << error;
  }
  // Fails the k-th adapter call from now on (any operation), once, with `status`.
  void FailNthCall(size_t k, int16_t status) {
    Rule(R"({"op": "*", "nth": )" + std::to_string(k) + R"(, "status": )" + std::to_string(status) +
         "}");
  }
  const std::filesystem::path& Dir() const { return dir_; }

  RecordingDialogs dialogs;
  FakeEventPump pump;
  std::vector<std::string> all;  // every bus line, start-up's included

 private:
  std::filesystem::path dir_;
  std::unique_ptr<Station> station_;
};

}  // namespace halyard::testing
