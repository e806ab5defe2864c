// A record from an action's result: the measurements as one JSON object, one group of keys per
// kind of measurement the action takes.
#include "records/ActionRecord.h"

#include <nlohmann/json.hpp>

#include "records/RecordFormat.h"

namespace halyard::records {

namespace {

using Json = nlohmann::ordered_json;

Json Optional(const std::optional<int16_t>& value) {
  return value ? Json(*value) : Json(nullptr);
}

void AddTests(const halyard::Measurements& m, Json& out) {
  Json tests = Json::array();
  for (const TestMeasurement& test : m.tests) {
    tests.push_back(
        {{"test", test.test}, {"passed", test.passed}, {"status", Optional(test.status)}});
  }
  out["tests"] = std::move(tests);
}

Json Iteration(const TrimIteration& iteration) {
  return {{"code", iteration.code}, {"hz", iteration.hz}, {"error_ppm", iteration.errorPpm}};
}

void AddAutoTrim(const AutoTrimReport& report, Json& out) {
  Json iterations = Json::array();
  for (const TrimIteration& iteration : report.iterations)
    iterations.push_back(Iteration(iteration));
  out["auto_trim"] = {
      {"target_hz", report.targetHz},
      {"tolerance_ppm", report.tolerancePpm},
      {"counter", report.counter},
      {"counter_id", ValidUtf8(report.counterIdentity)},
      {"iterations", std::move(iterations)},
      {"chosen", report.chosen ? Iteration(*report.chosen) : Json(nullptr)},
      {"within_tolerance", report.withinTolerance},
      {"cancelled", report.cancelled},
      {"stored_trim_byte", report.storedTrimByte ? Json(*report.storedTrimByte) : Json(nullptr)},
  };
}

// The "measurements" object, as JSON text: the kinds the action measures, as the result holds
// them.
std::string MeasurementsJson(const ActionResult& result) {
  const halyard::Measurements& m = result.measurements;
  const unsigned kinds = result.measured;
  Json out = Json::object();
  if (kinds & kMeasuredTests) AddTests(m, out);
  if ((kinds & kMeasuredVersion) && m.version) {
    out["version"] = m.version->read ? Json(ValidUtf8(*m.version->read)) : Json(nullptr);
    out["version_expected"] = ValidUtf8(m.version->expected);
  }
  if ((kinds & kMeasuredRunCount) && m.runAllPasses) out["run_all_passes"] = *m.runAllPasses;
  if ((kinds & kMeasuredTarget) && m.target) {
    out["target_configured"] = m.target->configured;
    out["target_id"] = m.target->id;
  }
  if ((kinds & kMeasuredTrim) && m.trim) {
    out["trim"] = m.trim->shown;
    out["fine"] = m.trim->fine;
    out["gross"] = m.trim->gross;
  }
  if ((kinds & kMeasuredRow) && m.row) {
    out["reserved_row_before"] = m.row->before;
    out["reserved_row_after"] = m.row->after;
  }
  if ((kinds & kMeasuredAutoUpdate) && m.autoUpdate) out["auto_update"] = *m.autoUpdate;
  if ((kinds & kMeasuredProgramming) && !m.programmingStatuses.empty())
    out["programming_status"] = m.programmingStatuses.back();
  if ((kinds & kMeasuredPassCount) && m.programPassCount)
    out["program_pass_count"] = *m.programPassCount;
  if ((kinds & kMeasuredAutoTrim) && m.autoTrim) AddAutoTrim(*m.autoTrim, out);
  return out.dump(-1, ' ', false, Json::error_handler_t::replace);
}

}  // namespace

Record BuildRecord(const RecordSource& source, const ActionResult& result) {
  Record record;
  record.id = NewRecordId();
  record.station = source.station;
  record.socket = source.socket;
  record.operatorName = source.operatorName;
  record.unit = source.unit;
  record.adapter = source.adapter;
  record.software = source.software;
  record.configSha256 = source.configSha256;
  record.action = result.action;
  record.verdict = result.passed ? kVerdictPassed : kVerdictFailed;
  record.reason = result.reason.text;
  record.started = FormatUtc(result.started);
  record.ended = FormatUtc(result.ended);
  record.measurements = MeasurementsJson(result);
  record.firmware = result.images;
  record.messages = result.messages;
  record.trace = result.TraceLines();
  return record;
}

}  // namespace halyard::records
