// A station on the simulated bench: the window logic (Form1) started on a traced simulated
// adapter, message boxes recorded, a fake clock, and a configuration file of its own that
// expects the bench adapter's firmware version.
#pragma once

#include <unistd.h>
#include <atomic>
#include <filesystem>
#include <fstream>

#include "adapter/TracingAdapter.h"
#include "app/Form1.h"
#include "sim/SimulatedAdapter.h"
#include "support/TestServices.h"

namespace halyard::testing {

struct StationBench {
  explicit StationBench(bool configuredTarget = false) {
    static std::atomic<int> serial{0};
    ini = std::filesystem::path(::testing::TempDir()) /
          ("halyard-bus-" + std::to_string(::getpid()) + "-" + std::to_string(serial++) + ".ini");
    std::ofstream(ini) << "[DefaultFiles]\nSREC_FileName=fw.srec\nEXPECTED_VERSION="
                       << sim->Config().adapterVersion << "\n";
    if (configuredTarget) WriteTargetConfiguration(sim->Target());
    AppInfo info;
    info.configPath = ini;
    form = std::make_unique<Form1>(tracer, dialogs, pump, info);
    form->Form_Load();
    tracer.TakeLines();  // the calls from here on; `all` keeps start-up's too
  }
  ~StationBench() {
    form.reset();
    std::filesystem::remove(ini);
  }
  // Fails the k-th adapter call from now on (any operation), once, with `status`.
  void FailNthCall(size_t k, int16_t status) {
    BenchRule rule;
    rule.nth = static_cast<int64_t>(k);
    rule.status = status;
    sim->AddRule(rule);
  }

  std::string error;
  std::unique_ptr<SimulatedAdapter> sim = MakeSimulatedAdapter("", error);
  std::vector<std::string> all;
  TracingAdapter tracer{*sim, [this](const std::string& line) { all.push_back(line); }};
  RecordingDialogs dialogs;
  FakeEventPump pump;
  std::filesystem::path ini;
  std::unique_ptr<Form1> form;
};

}  // namespace halyard::testing
