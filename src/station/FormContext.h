// What the tab panels share: the window's controls and state, and the services.
#pragma once

#include <string>

#include "adapter/Dialogs.h"
#include "adapter/ModUSB.h"
#include "adapter/TarnelRW.h"
#include "adapter/Utils.h"
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
  ActionVerdict& verdict;  // of the operator action that is running
  std::string appTitle;
};

}  // namespace halyard
