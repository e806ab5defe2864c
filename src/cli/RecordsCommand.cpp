// The records commands: the store is opened for reading, and what it answers is printed as it
// comes, so no command holds more than a group or a unit's records at a time.
#include "cli/RecordsCommand.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <memory>

#include "cli/RecordsViews.h"
#include "records/RecordFormat.h"
#include "records/RecordStore.h"
#include "report/QualityReport.h"
#include "report/ReportHtml.h"
#include "report/ReportJson.h"

namespace halyard::cli {

namespace {

constexpr int kOk = 0;
constexpr int kUsage = 2;

struct Query {
  std::string store;
  std::string since;
  std::string until;
  records::RecordFilter filter;
};

void AddQueryOptions(CLI::App& command, Query& query) {
  command.add_option("--store", query.store, "the record store: FILE.db, postgresql://..., none")
      ->required();
  command.add_option("--since", query.since, "records started on or after this date or time (UTC)");
  command.add_option("--until", query.until, "records started before this date or time (UTC)");
  command.add_option("--station", query.filter.station,
                     "only this station's records (a store the line shares)");
}

// The store, with --since and --until checked; false after one line on `err`.
bool OpenForReading(Query& query, std::unique_ptr<records::RecordStore>& store, std::ostream& err) {
  std::string error;
  if ((!query.since.empty() && !records::NormalizeSince(query.since, query.filter.since, error)) ||
      (!query.until.empty() && !records::NormalizeSince(query.until, query.filter.until, error)) ||
      !records::OpenStore(query.store, store, error)) {
    err << "halyardctl records: " << error << "\n";
    return false;
  }
  return true;
}

enum class ListFormat { kJson, kCsv, kJunit };

bool List(records::RecordReader& reader, const records::RecordFilter& filter, ListFormat format,
          std::ostream& out, std::string& error) {
  using records::Record;
  using records::RecordOrder;
  if (format == ListFormat::kJunit) {
    JunitView junit(out);
    const auto take = [&junit](const Record& record) { return junit.Take(record), true; };
    const bool ok = reader.Each(filter, RecordOrder::kByUnit, take, error);
    junit.Finish();
    return ok;
  }
  if (format == ListFormat::kCsv) {
    // Twice through the store: the header names every measurement first.
    CsvView csv;
    const auto collect = [&csv](const Record& record) { return csv.Collect(record), true; };
    if (!reader.Each(filter, RecordOrder::kOldestFirst, collect, error)) return false;
    csv.WriteHeader(out);
    const auto write = [&](const Record& record) { return csv.Write(record, out), true; };
    return reader.Each(filter, RecordOrder::kOldestFirst, write, error);
  }
  const auto write = [&out](const Record& record) {
    out << records::RecordToJsonLine(record) << "\n";
    return true;
  };
  return reader.Each(filter, RecordOrder::kOldestFirst, write, error);
}

bool Report(records::RecordReader& reader, const records::RecordFilter& filter,
            const std::string& htmlPath, std::ostream& out, std::string& error) {
  report::QualityReport figures;
  if (!report::ReadQualityReport(reader, filter, figures, error)) return false;
  if (htmlPath.empty()) {
    out << report::QualityReportJson(figures) << "\n";
    return true;
  }
  std::ofstream file(htmlPath, std::ios::binary | std::ios::trunc);
  file << report::QualityReportHtml(figures);
  file.close();
  if (!file) error = "cannot write " + htmlPath;
  return static_cast<bool>(file);
}

}  // namespace

int RecordsMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Reads a record store.", "halyardctl records"};
  app.require_subcommand(1);
  Query list;
  bool csv = false;
  bool junit = false;
  CLI::App* listCommand = app.add_subcommand("list", "one JSON object per record, oldest first");
  AddQueryOptions(*listCommand, list);
  listCommand->add_option("--socket", list.filter.socket, "only this socket's records (a line's)");
  listCommand->add_option("--unit", list.filter.unit, "only this unit's records");
  listCommand->add_option("--action", list.filter.action, "only this action's records");
  listCommand->add_option("--newest", list.filter.newest, "only the newest N records")
      ->check(CLI::PositiveNumber);
  auto* csvFlag =
      listCommand->add_flag("--csv", csv, "CSV, one row per record, measurements flattened");
  listCommand->add_flag("--junit", junit, "JUnit XML, a test suite per unit")->excludes(csvFlag);
  Query yield;
  std::string by = "day";
  CLI::App* yieldCommand = app.add_subcommand("yield", "one JSON object per group");
  AddQueryOptions(*yieldCommand, yield);
  yieldCommand->add_option("--socket", yield.filter.socket,
                           "only this socket's records (a line's)");
  yieldCommand->add_option("--by", by, "group by day, hour, unit, action, socket or station")
      ->check(CLI::IsMember({"day", "hour", "unit", "action", "socket", "station"}));
  Query reportQuery;
  std::string html;
  CLI::App* reportCommand =
      app.add_subcommand("report", "the quality report: JSON, or one HTML page with --html");
  AddQueryOptions(*reportCommand, reportQuery);
  reportCommand->add_option("--html", html, "write the report as HTML to FILE");

  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kOk;
  } catch (const CLI::ParseError& e) {
    err << "halyardctl records: " << e.what() << "\n";
    return kUsage;
  }
  Query& query = listCommand->parsed() ? list : yieldCommand->parsed() ? yield : reportQuery;
  std::unique_ptr<records::RecordStore> store;
  if (!OpenForReading(query, store, err)) return kUsage;
  records::RecordReader& reader = store->Reader();
  std::string error;
  bool ok = true;
  if (listCommand->parsed()) {
    ok = List(reader, query.filter,
              junit ? ListFormat::kJunit
              : csv ? ListFormat::kCsv
                    : ListFormat::kJson,
              out, error);
  } else if (yieldCommand->parsed()) {
    records::YieldBy grouping = records::YieldBy::kDay;
    report::GroupingByName(by, grouping);
    ok = reader.Yield(
        query.filter, grouping,
        [&](const records::YieldGroup& group) {
          out << report::YieldGroupJson(by.c_str(), group) << "\n";
          return true;
        },
        error);
  } else {
    ok = Report(reader, query.filter, html, out, error);
  }
  if (!ok) {
    err << "halyardctl records: " << error << "\n";
    return kUsage;
  }
  return kOk;
}

}  // namespace halyard::cli
