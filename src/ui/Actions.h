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
// A passed automatic trim adds the code it chose and whether the trim is stored yet.
std::string VerdictText(const ActionRow& action, const ActionResult& result);

// One point of the automatic trim as the status line gives it: "code 131 (trim 7C), 32768.2 Hz,
// +5 ppm".
std::string TrimPointText(const TrimIteration& iteration);

}  // namespace halyard::ui
