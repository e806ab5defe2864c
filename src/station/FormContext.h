// What the tab panels share: the window's controls and state, the services, and the verdict and
// result of the running action.
#pragma once

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
};

}  // namespace halyard
