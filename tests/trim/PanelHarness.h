// The Programming and Trim panels on a context of their own, without Form1, around any adapter
// control; and the same on a trace of the simulated bench.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "adapter/TracingAdapter.h"
#include "sim/SimulatedAdapter.h"
#include "support/Paths.h"
#include "support/TestServices.h"
#include "trim/TrimPanel.h"

namespace halyard::testing {

struct PanelHarness {
  explicit PanelHarness(TarnelRW& adapter)
      : modUSB(adapter, dialogs, "halyard-station"),
        utils(pump),
        context{controls, state, adapter, modUSB, utils, dialogs, "halyard-station"},
        programming(context),
        trim(context, programming) {
    // As start-up leaves the trim controls, without running the handlers here.
    controls.FineAdjust.Value = controls.GrossAdjust.Value = 0x80;
    controls.CurrentTrim.Caption = "80";
  }
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

// The bench described by `json`, opened, with the panels on a trace of it and the shipped
// images named in the window.
struct Bench {
  static std::string Image(const char* f) { return (SourceDir() / "firmware" / f).string(); }
  explicit Bench(const std::string& json = "{}")
      : sim(MakeSimulatedAdapterFromJson(json, error)), trace(*sim), h(trace) {
    sim->OpenDevice("HALYARD-SIM0");
    h.controls.TrimFilePathAndName.Text = Image("gxTrim.srec");
    h.controls.SREC_Name.Text = Image("halyard-fw.srec");
    trace.TakeLines();
  }
  // Trim firmware running, location 0x0000 seeded with 0xA5 (bit 3 clear).
  void Start() {
    h.trim.StartTrim_Click();
    ASSERT_TRUE(h.dialogs.messages.empty() && sim->TrimRunning());
    sim->ControllerMemory()[0x0000] = 0xA5;
    trace.TakeLines();
  }
  // A scripted reply or fault, as a bench file writes it; it counts calls from now on.
  void Rule(const std::string& json) { ASSERT_TRUE(sim->AddRuleJson(json, error)) << error; }

  std::string error;
  std::unique_ptr<SimulatedAdapter> sim;
  TracingAdapter trace;
  PanelHarness h;
};

}  // namespace halyard::testing
