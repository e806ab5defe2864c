// The measurements object in rows.
#include "ui/MeasurementRows.h"

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <string_view>

#include "ui/Actions.h"

namespace halyard::ui {

namespace {

using Json = nlohmann::ordered_json;
using Rows = std::vector<MeasurementRow>;

std::string Text(const Json& value) {
  if (value.is_null()) return "none";
  if (value.is_string()) return value.get<std::string>();
  if (value.is_boolean()) return value.get<bool>() ? "yes" : "no";
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

std::string Format(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

// A point of the automatic trim, as the status line gives it.
std::string Point(const Json& point) {
  if (!point.is_object()) return Text(point);
  return TrimPointText(
      {point.value("code", 0), point.value("hz", 0.0), point.value("error_ppm", 0.0)});
}

void AddTests(const Json& tests, Rows& rows) {
  for (const Json& test : tests.is_array() ? tests : Json::array()) {
    const bool passed = test.value("passed", false);
    std::string value = passed ? "passed" : "failed";
    const Json status = test.value("status", Json());
    if (status.is_number() && !(passed && status == 0)) value += ", status " + Text(status);
    rows.push_back({test.value("test", std::string("test")), value, !passed});
  }
}

void AddAutoTrim(const Json& trim, Rows& rows) {
  if (!trim.is_object()) {
    rows.push_back({"Auto Trim", Text(trim)});
    return;
  }
  rows.push_back(
      {"Auto Trim target", Format("%.1f Hz within %.1f ppm", trim.value("target_hz", 0.0),
                                  trim.value("tolerance_ppm", 0.0))});
  std::string counter = trim.value("counter", std::string());
  if (const std::string id = trim.value("counter_id", std::string()); !id.empty())
    counter += " (" + id + ")";
  rows.push_back({"Auto Trim counter", counter});
  int number = 0;
  for (const Json& point : trim.value("iterations", Json::array()))
    rows.push_back({"Auto Trim " + std::to_string(++number), Point(point)});
  const bool within = trim.value("within_tolerance", false);
  rows.push_back({"Auto Trim chosen", Point(trim.value("chosen", Json())), !within});
  rows.push_back({"Auto Trim within tolerance", within ? "yes" : "no", !within});
  if (trim.value("cancelled", false)) rows.push_back({"Auto Trim cancelled", "yes", true});
  const Json stored = trim.value("stored_trim_byte", Json());
  if (stored.is_number_integer())
    rows.push_back({"Auto Trim stored byte 30", Format("%02X", stored.get<unsigned>() & 0xFFu)});
}

// The names of the plain keys; a key not here shows by its own name.
const std::map<std::string_view, std::string_view>& Names() {
  static const std::map<std::string_view, std::string_view> names{
      {"version", "Version read"},
      {"version_expected", "Version expected"},
      {"run_all_passes", "Run All passes"},
      {"target_configured", "Target configured"},
      {"target_id", "Target identification"},
      {"trim", "Trim shown"},
      {"fine", "Fine bar"},
      {"gross", "Gross bar"},
      {"reserved_row_before", "Reserved row before"},
      {"reserved_row_after", "Reserved row after"},
      {"auto_update", "Auto update"},
      {"programming_status", "Programming status"},
      {"program_pass_count", "Programming passes"},
  };
  return names;
}

}  // namespace

std::vector<MeasurementRow> MeasurementRows(const std::string& measurements) {
  const Json object = Json::parse(measurements, nullptr, false);
  if (!object.is_object()) return {{"measurements", "not readable: " + measurements, true}};
  Rows rows;
  for (const auto& [key, value] : object.items()) {
    if (key == "tests") {
      AddTests(value, rows);
    } else if (key == "auto_trim") {
      AddAutoTrim(value, rows);
    } else {
      const auto name = Names().find(key);
      rows.push_back({name == Names().end() ? key : std::string(name->second), Text(value)});
    }
  }
  return rows;
}

}  // namespace halyard::ui
