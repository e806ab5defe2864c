// The Programming and Trim panels on a context of their own, without Form1: the window's
// controls and state, recorded message boxes and a fake clock, around any adapter control.
#pragma once

#include <string>

#include "adapter/ModUSB.h"
#include "adapter/TarnelRW.h"
#include "adapter/Utils.h"
#include "app/Controls.h"
#include "app/FormContext.h"
#include "programming/ProgrammingPanel.h"
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

}  // namespace halyard::testing
