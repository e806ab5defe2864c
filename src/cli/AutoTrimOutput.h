// How halyardctl shows an automatic trim: a readable line per measurement as it happens, and
// the whole search in the step's JSON object.
#pragma once

#include <cstddef>
#include <string>

#include "cli/JsonWriter.h"
#include "station/AutoTrimReport.h"

namespace halyard::cli {

// "  trim 3: code 96, 32739.651 Hz, -865.2 ppm"
std::string IterationLine(size_t number, const TrimIteration& iteration);
// "  chosen: code 97 (shown trim 9E), -4.1 ppm, within 100.0 ppm; stored trim byte 9E"
std::string ChoiceLine(const AutoTrimReport& report);
// The step object's "auto_trim" value.
void WriteAutoTrimJson(JsonWriter& json, const AutoTrimReport& report);

}  // namespace halyard::cli
