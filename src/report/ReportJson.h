// The report's figures as JSON: one object for `records report`, and the object of one yield
// group that `records yield` prints as a line, so both give a group's numbers alike.
#pragma once

#include <string>

#include "records/Record.h"
#include "report/QualityReport.h"

namespace halyard::report {

// The grouping of a name as the commands give it: "day", "hour", "unit"...
bool GroupingByName(const std::string& name, records::YieldBy& by);

// One line of JSON: the group's key under `keyName`, then its counts and yields.
std::string YieldGroupJson(const char* keyName, const records::YieldGroup& group);

// The whole report as one JSON object, indented.
std::string QualityReportJson(const QualityReport& report);

}  // namespace halyard::report
