// The report's figures from the store's queries.
#include "report/QualityReport.h"

#include <algorithm>
#include <cmath>

namespace halyard::report {

double TrimFigures::BinFrom(int bin) const {
  const double width = 4.0 * spread.tolerancePpm / records::kTrimBins;
  return -2.0 * spread.tolerancePpm + (bin - 1) * width;
}

namespace {

TrimFigures FiguresOf(const records::TrimSpread& spread) {
  TrimFigures figures;
  figures.spread = spread;
  if (spread.count == 0) return figures;
  const double n = spread.count;
  figures.meanPpm = spread.sum / n;
  if (spread.count < 2) return figures;
  // The sums come from the database; rounding may leave a hair below zero.
  const double variance =
      std::max(0.0, (spread.sumOfSquares - spread.sum * spread.sum / n) / (n - 1));
  figures.sigmaPpm = std::sqrt(variance);
  if (*figures.sigmaPpm > 0) {
    const double tolerance = spread.tolerancePpm;
    figures.cpk = std::min(tolerance - figures.meanPpm, figures.meanPpm + tolerance) /
                  (3 * *figures.sigmaPpm);
  }
  return figures;
}

}  // namespace

bool ReadQualityReport(records::RecordReader& reader, const records::RecordFilter& filter,
                       QualityReport& report, std::string& error) {
  using records::YieldBy;
  QualityReport read;
  read.filter = filter;
  std::vector<records::YieldGroup> total;
  std::vector<records::TrimSpread> spreads;
  if (!reader.Groups(filter, YieldBy::kAll, total, error) ||
      !reader.Groups(filter, YieldBy::kDay, read.days, error) ||
      !reader.Groups(filter, YieldBy::kHour, read.hours, error) ||
      !reader.Groups(filter, YieldBy::kStation, read.stations, error) ||
      !reader.Groups(filter, YieldBy::kSocket, read.sockets, error) ||
      !reader.Failures(filter, read.failures, error) || !reader.Trims(filter, spreads, error))
    return false;
  if (!total.empty()) read.total = total.front();
  for (const records::TrimSpread& spread : spreads)
    read.trims.push_back(FiguresOf(spread));
  report = std::move(read);
  return true;
}

}  // namespace halyard::report
