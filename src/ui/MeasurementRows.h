// A record's measurements as the records view lists them: one row per test, version, trim
// value and automatic-trim iteration, each a name and a value in words. Every key of the
// record's measurements object shows, also one this station does not know by name.
#pragma once

#include <string>
#include <vector>

namespace halyard::ui {

struct MeasurementRow {
  std::string name;   // "SMBus Test", "Auto Trim 3"
  std::string value;  // "failed, status 7", "code 131 (trim 7C), 32768.2 Hz, +5 ppm"
  bool failed = false;
  bool operator==(const MeasurementRow&) const = default;
};

// The rows of a record's `measurements` (a JSON object as text), in the record's order; one row
// saying so when the text is no JSON object.
std::vector<MeasurementRow> MeasurementRows(const std::string& measurements);

}  // namespace halyard::ui
