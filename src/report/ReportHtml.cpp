// The report's HTML page.
#include "report/ReportHtml.h"

#include "report/Charts.h"
#include "report/ReportCharts.h"

namespace halyard::report {

namespace {

// More hours than this are shown as charts only (the JSON has every one).
constexpr size_t kMostHourRows = 48;

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:24px;color:#222;max-width:800px}"
    "h1{font-size:22px;margin:0 0 4px}h2{font-size:17px;margin:24px 0 8px;"
    "border-bottom:1px solid #ccc}"
    "table{border-collapse:collapse;font-size:13px;margin:8px 0}"
    "th,td{border:1px solid #ccc;padding:2px 8px;text-align:right}"
    "th:first-child,td:first-child{text-align:left}"
    "svg{display:block;margin:8px 0}.period{color:#555}"
    "@media print{body{margin:0}section{break-inside:avoid}}";

using records::YieldGroup;

// A share (0..1) as the report shows it: "87.5 %".
std::string Percent(double share) {
  return Number(100 * share, 1) + " %";
}

std::string Cell(const std::string& text, const char* tag = "td") {
  return std::string("<") + tag + ">" + Escaped(text) + "</" + tag + ">";
}

std::string GroupTable(const char* id, const char* keyTitle,
                       const std::vector<YieldGroup>& groups) {
  std::string html = std::string("<table id=\"") + id + "\"><tr>" + Cell(keyTitle, "th");
  for (const char* title :
       {"tested", "passed", "failed", "units", "first-pass yield", "final yield", "retests"})
    html += Cell(title, "th");
  html += "</tr>";
  for (const YieldGroup& g : groups) {
    html += "<tr>" + Cell(g.key.empty() ? "(none)" : g.key) + Cell(std::to_string(g.tested)) +
            Cell(std::to_string(g.passed)) + Cell(std::to_string(g.failed)) +
            Cell(std::to_string(g.units)) + Cell(Percent(g.firstPassYield)) +
            Cell(Percent(g.finalYield)) + Cell(std::to_string(g.retests)) + "</tr>";
  }
  return html + "</table>";
}

std::string Period(const records::RecordFilter& filter) {
  std::string text = filter.since.empty() && filter.until.empty() ? "All records" : "Records";
  if (!filter.since.empty()) text += " started from " + filter.since;
  if (!filter.until.empty()) text += " until before " + filter.until;
  text += filter.station.empty() ? ", every station" : ", station " + filter.station;
  return text + " (UTC).";
}

std::string Summary(const QualityReport& report) {
  const YieldGroup& t = report.total;
  std::string html = "<section id=\"summary\"><table id=\"total\">";
  const std::vector<std::pair<const char*, std::string>> rows{
      {"records tested", std::to_string(t.tested)},
      {"passed", std::to_string(t.passed)},
      {"failed", std::to_string(t.failed)},
      {"units", std::to_string(t.units)},
      {"first-pass yield", Percent(t.firstPassYield)},
      {"final yield", Percent(t.finalYield)},
      {"retests", std::to_string(t.retests)}};
  for (const auto& [title, value] : rows)
    html += "<tr>" + Cell(title, "th") + Cell(value) + "</tr>";
  return html + "</table></section>";
}

std::string Section(const char* id, const std::string& title, const std::string& body) {
  return std::string("<section id=\"") + id + "\"><h2>" + Escaped(title) + "</h2>" + body +
         "</section>";
}

std::string GroupSections(const QualityReport& report) {
  std::string html = Section("days", "Yield per day",
                             ChartSvg(YieldChart("Yield per day", report.days)) +
                                 GroupTable("day-table", "day", report.days));
  std::string hours = ChartSvg(YieldChart("Yield per hour", report.hours)) +
                      ChartSvg(UnitsChart("Units per hour", report.hours));
  if (report.hours.size() <= kMostHourRows) hours += GroupTable("hour-table", "hour", report.hours);
  html += Section("hours", "Yield and units per hour", hours);
  if (report.stations.size() > 1) {
    html += Section("stations", "Yield per station",
                    ChartSvg(YieldChart("Yield per station", report.stations)) +
                        GroupTable("station-table", "station", report.stations));
  }
  if (report.sockets.size() > 1) {
    html += Section("sockets", "Yield per socket",
                    ChartSvg(YieldChart("Yield per socket", report.sockets)) +
                        GroupTable("socket-table", "socket", report.sockets));
  }
  return html;
}

std::string Failures(const QualityReport& report) {
  if (report.failures.empty()) return Section("failures", "Failures", "<p>No failed records.</p>");
  std::string table = "<table id=\"failure-table\"><tr>" + Cell("reason", "th") +
                      Cell("records", "th") + Cell("share", "th") + Cell("cumulative", "th") +
                      "</tr>";
  int sum = 0;
  const double failed = report.total.failed > 0 ? report.total.failed : 1;
  for (const records::FailureCount& f : report.failures) {
    sum += f.records;
    table += "<tr>" + Cell(f.reason.empty() ? "(no reason)" : f.reason) +
             Cell(std::to_string(f.records)) + Cell(Percent(f.records / failed)) +
             Cell(Percent(sum / failed)) + "</tr>";
  }
  table += "</table>";
  const std::string retests = "<p>" + std::to_string(report.total.retests) +
                              " retests: records of an action a unit had had before.</p>";
  return Section("failures", "Failures by reason",
                 ChartSvg(ParetoChart(report.failures, report.total.failed)) + table + retests);
}

std::string Trims(const QualityReport& report) {
  if (report.trims.empty())
    return Section("trim", "Automatic trim", "<p>No automatic trim records.</p>");
  std::string html;
  for (const TrimFigures& f : report.trims) {
    const auto optional = [](const std::optional<double>& value, int decimals) {
      return value ? Number(*value, decimals) : std::string("-");
    };
    html += "<table class=\"trim-table\"><tr>" + Cell("tolerance", "th") + Cell("units", "th") +
            Cell("mean", "th") + Cell("spread (sigma)", "th") + Cell("Cpk", "th") +
            Cell("min", "th") + Cell("max", "th") + "</tr><tr>" +
            Cell("\u00b1" + Number(f.spread.tolerancePpm, 1) + " ppm") +
            Cell(std::to_string(f.spread.count)) + Cell(Number(f.meanPpm, 1) + " ppm") +
            Cell(optional(f.sigmaPpm, 1) + " ppm") + Cell(optional(f.cpk, 2)) +
            Cell(Number(f.spread.min, 1) + " ppm") + Cell(Number(f.spread.max, 1) + " ppm") +
            "</tr></table>" + ChartSvg(TrimChart(f)) + "<p>" +
            std::to_string(f.spread.bins.front()) + " below and " +
            std::to_string(f.spread.bins.back()) + " above twice the tolerance.</p>";
  }
  return Section("trim", "Automatic trim", html);
}

}  // namespace

std::string QualityReportHtml(const QualityReport& report) {
  return "<!DOCTYPE html>\n<html lang=\"en\"><head><meta charset=\"utf-8\">"
         "<title>Quality report</title><style>" +
         std::string(kStyle) + "</style></head><body><h1>Quality report</h1><p class=\"period\">" +
         Escaped(Period(report.filter)) + "</p>" + Summary(report) + GroupSections(report) +
         Failures(report) + Trims(report) + "</body></html>\n";
}

}  // namespace halyard::report
