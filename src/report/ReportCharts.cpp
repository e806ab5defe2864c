// The report's charts from its figures.
#include "report/ReportCharts.h"

#include <algorithm>

namespace halyard::report {

namespace {

constexpr const char* kFirstPassColour = "#2b6cb0";
constexpr const char* kFinalColour = "#38a169";
constexpr const char* kFailureColour = "#c53030";
constexpr const char* kUnitsColour = "#5a6b82";
constexpr const char* kCumulativeColour = "#dd6b20";
constexpr size_t kMostReasons = 10;  // the rest are one bar, "other"

std::vector<std::string> Keys(const std::vector<records::YieldGroup>& groups) {
  std::vector<std::string> keys;
  for (const records::YieldGroup& group : groups)
    keys.push_back(group.key.empty() ? "(none)" : group.key);
  return keys;
}

}  // namespace

Chart YieldChart(const std::string& title, const std::vector<records::YieldGroup>& groups) {
  Chart chart{.title = title, .labels = Keys(groups), .yMax = 100, .yUnit = "%"};
  Series firstPass{"first-pass yield", kFirstPassColour, {}};
  Series final{"final yield", kFinalColour, {}};
  for (const records::YieldGroup& group : groups) {
    firstPass.values.push_back(100 * group.firstPassYield);
    final.values.push_back(100 * group.finalYield);
  }
  chart.bars = {std::move(firstPass), std::move(final)};
  return chart;
}

Chart UnitsChart(const std::string& title, const std::vector<records::YieldGroup>& groups) {
  Chart chart{.title = title, .labels = Keys(groups)};
  Series units{"units", kUnitsColour, {}};
  for (const records::YieldGroup& group : groups)
    units.values.push_back(group.units);
  chart.bars = {std::move(units)};
  return chart;
}

Chart ParetoChart(const std::vector<records::FailureCount>& failures, int failed) {
  Chart chart{.title = "Failures by reason"};
  Series counts{"failed records", kFailureColour, {}};
  Series cumulative{"cumulative %", kCumulativeColour, {}};
  int sum = 0;
  for (size_t i = 0; i < failures.size(); ++i) {
    const bool rest = i == kMostReasons;
    int records = failures[i].records;
    for (size_t j = i + 1; rest && j < failures.size(); ++j)
      records += failures[j].records;
    chart.labels.push_back(rest ? "other" : failures[i].reason);
    counts.values.push_back(records);
    sum += records;
    // The cumulative share is drawn on the counts' axis: its 100 % at the number failed.
    cumulative.values.push_back(failed > 0 ? sum : 0);
    if (rest) break;
  }
  chart.bars = {std::move(counts)};
  chart.lines = {std::move(cumulative)};
  return chart;
}

Chart TrimChart(const TrimFigures& figures) {
  const double tolerance = figures.spread.tolerancePpm;
  Chart chart{.title = "Automatic trim: final error (ppm), tolerance \u00b1" +
                       Number(tolerance, 1) + " ppm"};
  chart.edgeLabels = true;
  Series counts{"units", kFirstPassColour, {}};
  for (int bin = 1; bin <= records::kTrimBins; ++bin) {
    chart.labels.push_back(Number(figures.BinFrom(bin), 0));
    counts.values.push_back(figures.spread.bins[static_cast<size_t>(bin)]);
  }
  chart.bars = {std::move(counts)};
  // Category i covers [BinFrom(i + 1), BinFrom(i + 2)): a value's place is linear in it.
  const auto at = [&](double ppm) {
    const double place = (ppm - figures.BinFrom(1)) / (figures.BinFrom(2) - figures.BinFrom(1));
    return std::clamp(place, 0.0, double(records::kTrimBins));
  };
  chart.markers = {{at(-tolerance), "-tol", kFailureColour},
                   {at(tolerance), "+tol", kFailureColour},
                   {at(figures.meanPpm), "mean", kFinalColour}};
  return chart;
}

}  // namespace halyard::report
