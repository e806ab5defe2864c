// A whole station on the simulated bench for tests: the window logic (Form1) on a simulated
// adapter, with every adapter call traced, message boxes recorded, a fake clock for waits and
// a configuration file of its own that expects the bench adapter's firmware version.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "adapter/TracingAdapter.h"
#include "app/Form1.h"
#include "sim/SimulatedAdapter.h"
#include "support/TestServices.h"

namespace halyard::testing {

// A configuration file in the test's temporary folder, removed with the object.
class TempIni {
 public:
  explicit TempIni(const std::string& expectedVersion) {
    static std::atomic<int> serial{0};
    path_ =
        std::filesystem::path(::testing::TempDir()) /
        ("halyard-bustest-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".ini");
    std::ofstream out(path_);
    out << "[DefaultFiles]\n"
        << "SREC_FileName=firmware/halyard-fw.srec\n"
        << "TRIM_FileName=firmware/gxTrim.srec\n"
        << "EXPECTED_VERSION=" << expectedVersion << "\n";
  }
  ~TempIni() {
    std::error_code ignored;
    std::filesystem::remove(path_, ignored);
  }
  TempIni(const TempIni&) = delete;
  TempIni& operator=(const TempIni&) = delete;
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

inline std::unique_ptr<SimulatedAdapter> DefaultBench() {
  std::string error;
  auto sim = MakeSimulatedAdapter("", error);
  EXPECT_NE(sim, nullptr) << error;
  return sim;
}

class StationBench {
 public:
  // The default bench; its target starts blank unless `configuredTarget`.
  explicit StationBench(bool configuredTarget = false)
      : StationBench(DefaultBench(), configuredTarget) {}

  StationBench(std::unique_ptr<SimulatedAdapter> bench, bool configuredTarget)
      : sim_(std::move(bench)), tracer_(*sim_), ini_(sim_->Config().adapterVersion) {
    if (configuredTarget) WriteTargetConfiguration(sim_->Target());
    form_ = NewForm();
  }

  // Shuts the window down and starts a new one on the same bench, as a restart of the program
  // finds the target as the last one left it.
  void Restart() {
    form_.reset();
    form_ = NewForm();
    Start();
  }

  SimulatedAdapter& Sim() { return *sim_; }
  Form1& Form() { return *form_; }
  FakeEventPump& Pump() { return pump_; }
  std::vector<RecordedMessage>& Messages() { return dialogs_.messages; }
  std::vector<std::string> TakeTrace() { return tracer_.TakeLines(); }
  const std::vector<std::string>& Trace() const { return tracer_.Lines(); }

  // Start-up, with its trace set aside.
  void Start() {
    form_->Form_Load();
    startupTrace_ = tracer_.TakeLines();
  }
  const std::vector<std::string>& StartupTrace() const { return startupTrace_; }

  // Fails the k-th adapter call from now on (any operation), once, with `status`.
  void FailNthCall(int64_t k, int16_t status) {
    BenchRule rule;
    rule.nth = k;
    rule.times = 1;
    rule.status = status;
    sim_->AddRule(rule);
  }

 private:
  std::unique_ptr<Form1> NewForm() {
    AppInfo info;
    info.configPath = ini_.Path();
    return std::make_unique<Form1>(tracer_, dialogs_, pump_, info);
  }

  std::unique_ptr<SimulatedAdapter> sim_;
  TracingAdapter tracer_;
  RecordingDialogs dialogs_;
  FakeEventPump pump_;
  TempIni ini_;
  std::unique_ptr<Form1> form_;
  std::vector<std::string> startupTrace_;
};

// The status a trace line reports ("... -> 5 ..."), or "" for lines without one.
inline std::string TraceStatus(const std::string& line) {
  const size_t arrow = line.find("-> ");
  if (arrow == std::string::npos) return {};
  const size_t start = arrow + 3;
  const size_t end = line.find(' ', start);
  return line.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

}  // namespace halyard::testing
