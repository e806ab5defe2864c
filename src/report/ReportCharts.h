// The report's charts, built from its figures: the HTML page and the window's records view draw
// these same charts.
#pragma once

#include <string>
#include <vector>

#include "report/Charts.h"
#include "report/QualityReport.h"

namespace halyard::report {

// First-pass and final yield (%) of each group, as bars.
Chart YieldChart(const std::string& title, const std::vector<records::YieldGroup>& groups);
// Units tested in each group, as bars.
Chart UnitsChart(const std::string& title, const std::vector<records::YieldGroup>& groups);
// The failures ranked by reason, as bars, with their cumulative share (%) as a line.
Chart ParetoChart(const std::vector<records::FailureCount>& failures, int failed);
// The trim's final errors as a histogram, with the tolerance and the mean marked.
Chart TrimChart(const TrimFigures& figures);

}  // namespace halyard::report
