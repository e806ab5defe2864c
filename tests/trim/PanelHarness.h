// The Programming and Trim panels on a context of their own, without Form1: the window's
// controls and state, recorded message boxes and a fake clock, around any adapter control;
// and the same on a trace of the simulated bench.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "adapter/ModUSB.h"
#include "adapter/TarnelRW.h"
#include "adapter/TracingAdapter.h"
#include "adapter/Utils.h"
#include "app/Controls.h"
#include "app/FormContext.h"
#include "programming/ProgrammingPanel.h"
#include "sim/SimulatedAdapter.h"
#include "support/TestServices.h"
#include "trim/TrimPanel.h"

namespace halyard::testing {

struct PanelHarness {
  explicit PanelHarness(TarnelRW& adapter)
      : modUSB(adapter, dialogs, kTitle),
        utils(pump),
        context{controls, state, adapter, modUSB, utils, dialogs, kTitle},
        programming(context),
        trim(context, programming) {
    // As start-up leaves the trim controls, without running the handlers here.
    controls.FineAdjust.Value = 0x80;
    controls.GrossAdjust.Value = 0x80;
    controls.CurrentTrim.Caption = "80";
  }

  static constexpr const char* kTitle = "halyard-station";
  RecordingDialogs dialogs;
  FakeEventPump pump;
  FormControls controls;
  WindowState state;
  ModUSB modUSB;
  Utils utils;
  FormContext context;
  ProgrammingPanel programming;
  TrimPanel trim;
};

inline std::filesystem::path SourceDir() {
  const char* dir = std::getenv("HALYARD_SOURCE_DIR");
  // Run by hand, without ctest's environment: the checkout this file lies in.
  return dir ? std::filesystem::path(dir)
             : std::filesystem::path(__FILE__).parent_path().parent_path().parent_path();
}
inline std::string Image(const char* name) {
  return (SourceDir() / "firmware" / name).string();
}

// The bench described by `json`, opened, with the panels on a trace of it and the shipped
// images named in the window.
struct Bench {
  explicit Bench(const std::string& json = "{}") : sim(Make(json)), trace(*sim), h(trace) {
    sim->OpenDevice("HALYARD-SIM0");
    h.controls.TrimFilePathAndName.Text = Image("gxTrim.srec");
    h.controls.SREC_Name.Text = Image("halyard-fw.srec");
    trace.TakeLines();
  }
  static std::unique_ptr<SimulatedAdapter> Make(const std::string& json) {
    std::string error;
    auto made = MakeSimulatedAdapterFromJson(json, error);
    EXPECT_NE(made, nullptr) << error;
    return made;
  }
  // Trim firmware running, location 0x0000 seeded with a pattern whose bit 3 is clear.
  void Start(uint8_t location = 0xA5) {
    h.trim.StartTrim_Click();
    ASSERT_TRUE(h.dialogs.messages.empty());
    ASSERT_TRUE(sim->TrimRunning());
    sim->ControllerMemory()[0x0000] = location;
    trace.TakeLines();
  }
  FlashRow ReservedRow() const { return *sim->Row(kReservedRowAddress); }
  bool Called(const std::string& prefix) const {
    for (const std::string& line : trace.Lines()) {
      if (line.starts_with(prefix)) return true;
    }
    return false;
  }

  std::unique_ptr<SimulatedAdapter> sim;
  TracingAdapter trace;
  PanelHarness h;
};

}  // namespace halyard::testing
