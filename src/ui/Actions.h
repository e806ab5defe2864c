// How the status line tells an action's verdict, from the action's result.
#pragma once

#include <string>

#include "assembly/Actions.h"
#include "station/ActionResult.h"

namespace halyard::ui {

// "Programming passed", or "SMBus Test failed: status 7", what failed inside the action and the
// failed call's status in words where the statuses' table knows it ("Programming failed: file
// not found (status 1)"), or what to do where the operator can do something about it ("Read
// Trim: the trim firmware is not running — press Start").
std::string VerdictText(const ActionRow& action, const ActionResult& result);

}  // namespace halyard::ui
