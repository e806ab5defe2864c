// CSV and JUnit XML views of records.
#include "cli/RecordsViews.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <nlohmann/json.hpp>

#include "records/RecordFormat.h"
#include "report/Charts.h"

namespace halyard::cli {

namespace {

using Json = nlohmann::ordered_json;

// "a,b" stays as it is; a cell with a comma, quote or line break is quoted, quotes doubled.
std::string CsvCell(const std::string& text) {
  if (text.find_first_of(",\"\r\n") == std::string::npos) return text;
  std::string cell = "\"";
  for (const char c : text)
    cell += c == '"' ? std::string("\"\"") : std::string(1, c);
  return cell + "\"";
}

void Flatten(const Json& value, const std::string& path,
             std::vector<std::pair<std::string, std::string>>& cells) {
  if (value.is_object()) {
    for (const auto& [key, item] : value.items())
      Flatten(item, path + "." + key, cells);
  } else if (value.is_array()) {
    for (size_t i = 0; i < value.size(); ++i)
      Flatten(value[i], path + "." + std::to_string(i), cells);
  } else {
    cells.emplace_back(path, value.is_string() ? value.get<std::string>()
                             : value.is_null()
                                 ? std::string()
                                 : value.dump(-1, ' ', false, Json::error_handler_t::replace));
  }
}

std::vector<std::pair<std::string, std::string>> MeasurementCells(const records::Record& record) {
  std::vector<std::pair<std::string, std::string>> cells;
  Flatten(Json::parse(record.measurements, nullptr, false), "measurements", cells);
  return cells;
}

// XML 1.0 takes no control characters but tab and line breaks; those in an attribute are kept
// as references.
std::string Xml(const std::string& text) {
  std::string out;
  for (const char c : report::Escaped(text)) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\n' || c == '\r' || c == '\t') {
      out += "&#" + std::to_string(byte) + ";";
    } else {
      out += byte < 0x20 ? '?' : c;
    }
  }
  return out;
}

// Milliseconds since the epoch of a record time ("2026-12-06T12:34:56.789Z"); 0 when it is not
// one.
long long Millis(const std::string& time) {
  int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0, ms = 0;
  if (std::sscanf(time.c_str(), "%4d-%2d-%2dT%2d:%2d:%2d.%3d", &y, &mo, &d, &h, &mi, &s, &ms) != 7)
    return 0;
  using namespace std::chrono;
  const sys_days day{year{y} / month{static_cast<unsigned>(mo)} / static_cast<unsigned>(d)};
  return duration_cast<milliseconds>(day.time_since_epoch()).count() +
         ((h * 60LL + mi) * 60 + s) * 1000 + ms;
}

std::string Seconds(const records::Record& record) {
  return report::Number(std::max(0LL, Millis(record.ended) - Millis(record.started)) / 1000.0, 3);
}

}  // namespace

void CsvView::Collect(const records::Record& record) {
  for (auto& [key, text] : MeasurementCells(record)) {
    if (std::find(keys_.begin(), keys_.end(), key) == keys_.end()) keys_.push_back(key);
  }
}

void CsvView::WriteHeader(std::ostream& out) const {
  std::string header;
  for (size_t i = 0; i < records::kRecordColumnCount; ++i) {
    if (i == records::kMeasurementsColumn) {
      for (const std::string& key : keys_)
        header += CsvCell(key) + ",";
    } else {
      header += std::string(records::kRecordColumns[i]) + ",";
    }
  }
  out << header.substr(0, header.size() - 1) << "\n";
}

bool CsvView::Write(const records::Record& record, std::ostream& out) const {
  const auto cells = MeasurementCells(record);
  const bool complete = std::all_of(cells.begin(), cells.end(), [this](const auto& cell) {
    return std::find(keys_.begin(), keys_.end(), cell.first) != keys_.end();
  });
  const records::RecordRow row = records::RecordToRow(record);
  std::string line;
  for (size_t i = 0; i < row.size(); ++i) {
    if (i != records::kMeasurementsColumn) {
      line += CsvCell(row[i]) + ",";
      continue;
    }
    for (const std::string& key : keys_) {
      const auto it = std::find_if(cells.begin(), cells.end(),
                                   [&key](const auto& cell) { return cell.first == key; });
      line += CsvCell(it == cells.end() ? std::string() : it->second) + ",";
    }
  }
  out << line.substr(0, line.size() - 1) << "\n";
  return complete;
}

JunitView::JunitView(std::ostream& out) : out_(out) {
  out_ << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<testsuites name=\"halyard-station "
          "records\">\n";
}

void JunitView::Take(const records::Record& record) {
  // A record without a unit is never the same unit as the one before.
  if (!unit_.empty() && (record.unit.empty() || record.unit != unit_.front().unit)) WriteSuite();
  unit_.push_back(record);
}

void JunitView::Finish() {
  WriteSuite();
  out_ << "</testsuites>\n";
}

void JunitView::WriteSuite() {
  if (unit_.empty()) return;
  const records::Record& first = unit_.front();
  const std::string unit = first.unit.empty() ? "(no unit)" : first.unit;
  long long millis = 0;
  int failures = 0;
  for (const records::Record& record : unit_) {
    millis += std::max(0LL, Millis(record.ended) - Millis(record.started));
    failures += record.verdict == records::kVerdictPassed ? 0 : 1;
  }
  out_ << "  <testsuite name=\"" << Xml(unit) << "\" tests=\"" << unit_.size() << "\" failures=\""
       << failures << "\" errors=\"0\" skipped=\"0\" time=\"" << report::Number(millis / 1000.0, 3)
       << "\" timestamp=\"" << Xml(first.started.substr(0, 19)) << "\" hostname=\""
       << Xml(first.station) << "\">\n";
  for (const records::Record& record : unit_) {
    out_ << "    <testcase name=\"" << Xml(record.action + " " + record.started)
         << "\" classname=\"" << Xml(unit) << "\" time=\"" << Seconds(record) << "\"";
    if (record.verdict == records::kVerdictPassed) {
      out_ << "/>\n";
      continue;
    }
    out_ << ">\n      <failure message=\"" << Xml(record.reason) << "\" type=\""
         << Xml(record.verdict) << "\">record " << Xml(record.id) << ", station "
         << Xml(record.station) << ", socket " << Xml(record.socket) << ", operator "
         << Xml(record.operatorName) << "</failure>\n    </testcase>\n";
  }
  out_ << "  </testsuite>\n";
  unit_.clear();
}

}  // namespace halyard::cli
