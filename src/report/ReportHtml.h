// The report as one self-contained HTML page: its charts inline as SVG, its style in the page, no
// script, nothing fetched; it prints as it shows.
#pragma once

#include <string>

#include "report/QualityReport.h"

namespace halyard::report {

std::string QualityReportHtml(const QualityReport& report);

}  // namespace halyard::report
