// The records commands: the store is opened for reading, and what it answers is printed as it
// comes, so no command holds more than a group or a unit's records at a time.
#include "cli/RecordsCommand.h"

#include <CLI/CLI.hpp>
#include <fstream>
#include <memory>

#include "cli/Halyardctl.h"
#include "cli/RecordsViews.h"
#include "records/RecordFormat.h"
#include "records/RecordStore.h"
#include "report/QualityReport.h"
#include "report/ReportHtml.h"
#include "report/ReportJson.h"

namespace halyard::cli {

namespace {

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
    bool complete = true;
    const auto write = [&](const Record& record) {
      complete = csv.Write(record, out) && complete;
      return true;
    };
    if (!reader.Each(filter, RecordOrder::kOldestFirst, write, error)) return false;
    // Never a cell dropped in silence: a record written meanwhile may measure what the header
    // does not name.
    if (!complete) {
      error =
          "records came into the store while it was read, with measurements the CSV header "
          "lacks: export again, or with --until";
    }
    return complete;
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

// The three commands' options, as CLI11 fills them.
struct RecordsOptions {
  Query list;
  bool csv = false;
  bool junit = false;
  Query yield;
  std::string by = "day";
  Query report;
  std::string html;
  CLI::App* listCommand = nullptr;
  CLI::App* yieldCommand = nullptr;
};

void AddCommands(CLI::App& app, RecordsOptions& o) {
  app.require_subcommand(1);
  o.listCommand = app.add_subcommand("list", "one JSON object per record, oldest first");
  CLI::App& list = *o.listCommand;
  AddQueryOptions(list, o.list);
  list.add_option("--socket", o.list.filter.socket, "only this socket's records (a line's)");
  list.add_option("--unit", o.list.filter.unit, "only this unit's records");
  list.add_option("--action", o.list.filter.action, "only this action's records");
  list.add_option("--newest", o.list.filter.newest, "only the newest N records")
      ->check(CLI::PositiveNumber);
  auto* csv = list.add_flag("--csv", o.csv, "CSV, one row per record, measurements flattened");
  list.add_flag("--junit", o.junit, "JUnit XML, a test suite per unit")->excludes(csv);
  o.yieldCommand = app.add_subcommand("yield", "one JSON object per group");
  AddQueryOptions(*o.yieldCommand, o.yield);
  o.yieldCommand->add_option("--socket", o.yield.filter.socket,
                             "only this socket's records (a line's)");
  o.yieldCommand->add_option("--by", o.by, "group by day, hour, unit, action, socket or station")
      ->check(CLI::IsMember({"day", "hour", "unit", "action", "socket", "station"}));
  CLI::App* report =
      app.add_subcommand("report", "the quality report: JSON, or one HTML page with --html");
  AddQueryOptions(*report, o.report);
  report->add_option("--html", o.html, "write the report as HTML to FILE");
}

int Run(RecordsOptions& o, std::ostream& out, std::ostream& err) {
  const bool listing = o.listCommand->parsed();
  const bool yielding = o.yieldCommand->parsed();
  Query& query = listing ? o.list : yielding ? o.yield : o.report;
  std::unique_ptr<records::RecordStore> store;
  std::string error;
  if (!OpenForReading(query.store, query.since, query.until, query.filter, store, error)) {
    err << "halyardctl records: " << error << "\n";
    return kExitUsage;
  }
  records::RecordReader& reader = store->Reader();
  bool ok = true;
  if (listing) {
    const ListFormat format = o.junit ? ListFormat::kJunit
                              : o.csv ? ListFormat::kCsv
                                      : ListFormat::kJson;
    ok = List(reader, query.filter, format, out, error);
  } else if (yielding) {
    records::YieldBy grouping = records::YieldBy::kDay;
    report::GroupingByName(o.by, grouping);
    const auto print = [&](const records::YieldGroup& group) {
      out << report::YieldGroupJson(o.by.c_str(), group) << "\n";
      return true;
    };
    ok = reader.Yield(query.filter, grouping, print, error);
  } else {
    ok = Report(reader, query.filter, o.html, out, error);
  }
  if (!ok) {
    err << "halyardctl records: " << error << "\n";
    return kExitUsage;
  }
  return kExitOk;
}

}  // namespace

bool OpenForReading(const std::string& name, const std::string& since, const std::string& until,
                    records::RecordFilter& filter, std::unique_ptr<records::RecordStore>& store,
                    std::string& error) {
  return (since.empty() || records::NormalizeSince(since, filter.since, error)) &&
         (until.empty() || records::NormalizeSince(until, filter.until, error)) &&
         records::OpenStore(name, store, error);
}

int RecordsMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Reads a record store.", "halyardctl records"};
  RecordsOptions options;
  AddCommands(app, options);
  if (const int exit = ParseCommand(app, args, out, err, "halyardctl records"); exit >= 0)
    return exit;
  return Run(options, out, err);
}

}  // namespace halyard::cli
