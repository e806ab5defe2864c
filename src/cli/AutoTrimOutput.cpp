// halyardctl's lines and JSON for the automatic trim.
#include "cli/AutoTrimOutput.h"

#include <cstdio>

namespace halyard::cli {

namespace {

std::string Format(const char* format, auto... values) {
  char text[160];
  std::snprintf(text, sizeof text, format, values...);
  return text;
}

void WriteIteration(JsonWriter& json, const TrimIteration& iteration) {
  json.BeginObject().Key("code").Number(iteration.code);
  json.Key("hz").Real(iteration.hz).Key("error_ppm").Real(iteration.errorPpm).EndObject();
}

}  // namespace

std::string IterationLine(size_t number, const TrimIteration& iteration) {
  return Format("  trim %zu: code %d, %.3f Hz, %+.1f ppm", number, iteration.code, iteration.hz,
                iteration.errorPpm);
}

std::string ChoiceLine(const AutoTrimReport& report) {
  if (!report.chosen) return report.cancelled ? "  cancelled" : "  no code chosen";
  const TrimIteration& chosen = *report.chosen;
  std::string line =
      Format("  chosen: code %d (shown trim %02X), %+.1f ppm, %s %.1f ppm", chosen.code,
             static_cast<unsigned>(kHighestTrimCode - chosen.code), chosen.errorPpm,
             report.withinTolerance ? "within" : "outside", report.tolerancePpm);
  if (report.storedTrimByte)
    line += Format("; byte 30 reads %02X", static_cast<unsigned>(*report.storedTrimByte));
  return line;
}

void WriteAutoTrimJson(JsonWriter& json, const AutoTrimReport& report) {
  json.BeginObject().Key("target_hz").Real(report.targetHz);
  json.Key("tolerance_ppm").Real(report.tolerancePpm);
  json.Key("counter").String(report.counter).Key("counter_id").String(report.counterIdentity);
  json.Key("iterations").BeginArray();
  for (const TrimIteration& iteration : report.iterations)
    WriteIteration(json, iteration);
  json.EndArray().Key("chosen");
  if (report.chosen) {
    WriteIteration(json, *report.chosen);
  } else {
    json.Null();
  }
  json.Key("within_tolerance").Bool(report.withinTolerance);
  json.Key("cancelled").Bool(report.cancelled).Key("stored_trim_byte");
  if (report.storedTrimByte) {
    json.Number(*report.storedTrimByte);
  } else {
    json.Null();
  }
  json.EndObject();
}

}  // namespace halyard::cli
