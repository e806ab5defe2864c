// The report as one self-contained HTML page: its charts inline as SVG, its style in the page, no
// script, nothing fetched; it prints as it shows.
#pragma once

#include <string>

#include "report/QualityReport.h"

namespace halyard::report {

std::string QualityReportHtml(const QualityReport& report);

// A share (0..1) as the report shows it: "87.5 %".
std::string Percent(double share);

}  // namespace halyard::report
