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

class StationBench {
 public:
  // The default bench; its target starts blank unless `configuredTarget`.
  explicit StationBench(bool configuredTarget = false) : sim_(DefaultBench()), tracer_(*sim_) {
    static std::atomic<int> serial{0};
    ini_ =
        std::filesystem::path(::testing::TempDir()) /
        ("halyard-bustest-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".ini");
    std::ofstream(ini_) << "[DefaultFiles]\nSREC_FileName=firmware/halyard-fw.srec\n"
                        << "TRIM_FileName=firmware/gxTrim.srec\n"
                        << "EXPECTED_VERSION=" << sim_->Config().adapterVersion << "\n";
    if (configuredTarget) WriteTargetConfiguration(sim_->Target());
    form_ = NewForm();
  }
  ~StationBench() {
    form_.reset();
    std::error_code ignored;
    std::filesystem::remove(ini_, ignored);
  }
  StationBench(const StationBench&) = delete;
  StationBench& operator=(const StationBench&) = delete;

  // A new window on the same bench, as a restart of the program finds the target.
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
  size_t TraceSize() const { return tracer_.Lines().size(); }

  // Start-up, with its trace set aside.
  void Start() {
    form_->Form_Load();
    startupTrace_ = tracer_.TakeLines();
  }
  const std::vector<std::string>& StartupTrace() const { return startupTrace_; }

  // Answers matching calls from the next one on in the adapter's place.
  void AddRule(BenchRule rule) { sim_->AddRule(std::move(rule)); }
  // Fails the k-th adapter call from now on (any operation), once, with `status`.
  void FailNthCall(int64_t k, int16_t status) {
    BenchRule rule;
    rule.nth = k;
    rule.status = status;
    sim_->AddRule(rule);
  }

 private:
  static std::unique_ptr<SimulatedAdapter> DefaultBench() {
    std::string error;
    auto sim = MakeSimulatedAdapter("", error);
    EXPECT_NE(sim, nullptr) << error;
    return sim;
  }
  std::unique_ptr<Form1> NewForm() {
    AppInfo info;
    info.configPath = ini_;
    return std::make_unique<Form1>(tracer_, dialogs_, pump_, info);
  }

  std::unique_ptr<SimulatedAdapter> sim_;
  TracingAdapter tracer_;
  RecordingDialogs dialogs_;
  FakeEventPump pump_;
  std::filesystem::path ini_;
  std::unique_ptr<Form1> form_;
  std::vector<std::string> startupTrace_;
};

// The status a trace line reports ("... -> 5 ..."), or "" for lines without one.
inline std::string TraceStatus(const std::string& line) {
  const size_t arrow = line.find("-> ");
  if (arrow == std::string::npos) return {};
  const size_t start = arrow + 3;
  return line.substr(start, line.find(' ', start) - start);
}

}  // namespace halyard::testing
