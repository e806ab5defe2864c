// The record of one operator action, built from its result: the action's verdict, its
// measurements, images, message boxes and bus calls, with what the station's records share.
// Both front ends record through here, so an action records the same in the window and in
// halyardctl.
#pragma once

#include <string>

#include "records/Record.h"
#include "station/ActionResult.h"

namespace halyard::records {

// What a station's records share until the operator or the unit changes.
struct RecordSource {
  std::string station;
  std::string socket;  // the line's socket, empty on a station of one
  std::string operatorName;
  std::string unit;
  std::string adapter;
  std::string software;
  std::string configSha256;
};

// A complete record with a fresh id.
Record BuildRecord(const RecordSource& source, const ActionResult& result);

}  // namespace halyard::records
