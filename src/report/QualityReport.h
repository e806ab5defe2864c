// The figures of a quality report, read from a store's queries: the database groups and counts,
// this only asks and derives the trim's mean, spread and Cpk from the sums it gives.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "records/RecordStore.h"

namespace halyard::report {

// The automatic trim's final error over the records of one tolerance.
struct TrimFigures {
  records::TrimSpread spread;
  double meanPpm = 0.0;
  std::optional<double> sigmaPpm;  // the sample standard deviation; none below two records
  std::optional<double> cpk;       // min(tol - mean, mean + tol) / 3 sigma; none without sigma
  // The lower edge of bin i (1..kTrimBins) of spread.bins, in ppm.
  double BinFrom(int bin) const;
};

struct QualityReport {
  records::RecordFilter filter;  // since, until, station: the records reported
  records::YieldGroup total;     // every record of them as one group
  std::vector<records::YieldGroup> days;
  std::vector<records::YieldGroup> hours;
  std::vector<records::YieldGroup> stations;
  std::vector<records::YieldGroup> sockets;
  std::vector<records::FailureCount> failures;  // the most frequent reason first
  std::vector<TrimFigures> trims;               // the tolerance with the most records first
};

// Reads every figure of `filter`'s records; false with one line in `error` when the store
// cannot answer.
bool ReadQualityReport(records::RecordReader& reader, const records::RecordFilter& filter,
                       QualityReport& report, std::string& error);

}  // namespace halyard::report
