// What the tab panels share: the window's controls and state, the services, and the verdict and
// result of the running action.
#pragma once

#include <cstdint>
#include <string>

#include "adapter/Dialogs.h"
#include "adapter/ModUSB.h"
#include "adapter/TarnelRW.h"
#include "adapter/Utils.h"
#include "station/ActionResult.h"
#include "station/Controls.h"
#include "station/Verdict.h"

namespace halyard {

struct FormContext {
  FormControls& controls;
  WindowState& state;
  TarnelRW& TarnelRW1;  // the window's control instance; ModUSB reaches the same object
  ModUSB& modUSB;
  Utils& utils;
  Dialogs& dialogs;
  ActionVerdict& verdict;  // of the operation that is running
  ActionResult& result;    // of the operator action that is running: what it measured
  std::string appTitle;

  // Programs the S-record file at `path` (the control's own copy) and keeps the image and the
  // status in the result. The control takes two further texts by reference; they are fresh for
  // each run and what it leaves in them is of no use to the station.
  int16_t ProgramSrecFile(std::string path) {
    std::string second;
    std::string third;
    result.AddImage(path);
    const int16_t status = modUSB.ProgramSrecFile(path, second, third);
    result.measurements.programmingStatuses.push_back(status);
    return status;
  }
};

}  // namespace halyard
