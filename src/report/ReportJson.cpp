// The report and the yield groups as JSON.
#include "report/ReportJson.h"

#include <array>
#include <nlohmann/json.hpp>
#include <utility>

namespace halyard::report {

namespace {

using Json = nlohmann::ordered_json;  // keys stay in the order written
using records::YieldBy;

constexpr std::array<std::pair<YieldBy, const char*>, 7> kGroupings{{{YieldBy::kDay, "day"},
                                                                     {YieldBy::kHour, "hour"},
                                                                     {YieldBy::kUnit, "unit"},
                                                                     {YieldBy::kAction, "action"},
                                                                     {YieldBy::kSocket, "socket"},
                                                                     {YieldBy::kStation, "station"},
                                                                     {YieldBy::kAll, "all"}}};

std::string Dump(const Json& value, int indent = -1) {
  return value.dump(indent, ' ', false, Json::error_handler_t::replace);
}

Json Group(const char* keyName, const records::YieldGroup& group) {
  Json line;
  if (keyName != nullptr) line[keyName] = group.key;
  line["tested"] = group.tested;
  line["passed"] = group.passed;
  line["failed"] = group.failed;
  line["first_pass_yield"] = group.firstPassYield;
  line["units"] = group.units;
  line["final_yield"] = group.finalYield;
  line["retests"] = group.retests;
  return line;
}

Json GroupList(const char* keyName, const std::vector<records::YieldGroup>& groups) {
  Json list = Json::array();
  for (const records::YieldGroup& group : groups)
    list.push_back(Group(keyName, group));
  return list;
}

Json Optional(const std::optional<double>& value) {
  return value ? Json(*value) : Json(nullptr);
}

Json Trim(const TrimFigures& figures) {
  const records::TrimSpread& spread = figures.spread;
  Json bins = Json::array();
  for (int bin = 1; bin <= records::kTrimBins; ++bin) {
    bins.push_back({{"from_ppm", figures.BinFrom(bin)},
                    {"to_ppm", figures.BinFrom(bin + 1)},
                    {"count", spread.bins[static_cast<size_t>(bin)]}});
  }
  return {{"tolerance_ppm", spread.tolerancePpm},
          {"count", spread.count},
          {"mean_ppm", figures.meanPpm},
          {"sigma_ppm", Optional(figures.sigmaPpm)},
          {"cpk", Optional(figures.cpk)},
          {"min_ppm", spread.min},
          {"max_ppm", spread.max},
          {"below", spread.bins.front()},
          {"bins", std::move(bins)},
          {"above", spread.bins.back()}};
}

}  // namespace

bool GroupingByName(const std::string& name, YieldBy& by) {
  for (const auto& [grouping, groupingName] : kGroupings) {
    if (name == groupingName && grouping != YieldBy::kAll) {
      by = grouping;
      return true;
    }
  }
  return false;
}

std::string YieldGroupJson(const char* keyName, const records::YieldGroup& group) {
  return Dump(Group(keyName, group));
}

std::string QualityReportJson(const QualityReport& report) {
  Json failures = Json::array();
  int cumulative = 0;
  for (const records::FailureCount& failure : report.failures) {
    cumulative += failure.records;
    failures.push_back(
        {{"reason", failure.reason},
         {"records", failure.records},
         {"cumulative_share",
          report.total.failed > 0 ? double(cumulative) / report.total.failed : 0.0}});
  }
  Json trims = Json::array();
  for (const TrimFigures& figures : report.trims)
    trims.push_back(Trim(figures));
  const records::RecordFilter& filter = report.filter;
  Json out{{"since", filter.since},
           {"until", filter.until},
           {"station", filter.station},
           {"total", Group(nullptr, report.total)},
           {"days", GroupList("day", report.days)},
           {"hours", GroupList("hour", report.hours)},
           {"stations", GroupList("station", report.stations)},
           {"sockets", GroupList("socket", report.sockets)},
           {"failures", std::move(failures)},
           {"trim", std::move(trims)}};
  return Dump(out, 2);
}

}  // namespace halyard::report
