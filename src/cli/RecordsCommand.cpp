// The records commands: the store is opened for reading, filtered and printed.
#include "cli/RecordsCommand.h"

#include <CLI/CLI.hpp>
#include <map>
#include <memory>

#include <nlohmann/json.hpp>

#include "records/RecordFormat.h"
#include "records/RecordStore.h"

namespace halyard::cli {

namespace {

using Json = nlohmann::ordered_json;  // keys stay in the order written

// One line of JSON; bytes that are not UTF-8 come out as U+FFFD.
std::string DumpJson(const Json& value) {
  return value.dump(-1, ' ', false, Json::error_handler_t::replace);
}

constexpr int kOk = 0;
constexpr int kUsage = 2;

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
                             : value.is_null() ? std::string()
                                               : DumpJson(value));
  }
}

struct Query {
  std::string store;
  std::string since;
  records::RecordFilter filter;
};

void AddQueryOptions(CLI::App& command, Query& query) {
  command.add_option("--store", query.store, "the record store: FILE.db, postgresql://..., none")
      ->required();
  command.add_option("--since", query.since, "records started on or after this date or time (UTC)");
  command.add_option("--station", query.filter.station,
                     "only this station's records (a store the line shares)");
  command.add_option("--socket", query.filter.socket, "only this socket's records (a line's)");
}

// The store, with --since checked; false after one line on `err`.
bool OpenForReading(Query& query, std::unique_ptr<records::RecordStore>& store, std::ostream& err) {
  std::string error;
  if ((!query.since.empty() && !records::NormalizeSince(query.since, query.filter.since, error)) ||
      !records::OpenStore(query.store, store, error)) {
    err << "halyardctl records: " << error << "\n";
    return false;
  }
  return true;
}

}  // namespace

void WriteRecordsCsv(const std::vector<records::Record>& records, std::ostream& out) {
  std::vector<std::string> keys;  // measurement columns, in the order first seen
  std::vector<std::map<std::string, std::string>> measured;
  for (const records::Record& record : records) {
    std::vector<std::pair<std::string, std::string>> cells;
    Flatten(Json::parse(record.measurements, nullptr, false), "measurements", cells);
    auto& row = measured.emplace_back();
    for (auto& [key, text] : cells) {
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) keys.push_back(key);
      row[key] = std::move(text);
    }
  }
  std::string header;
  for (size_t i = 0; i < records::kRecordColumnCount; ++i) {
    if (i == records::kMeasurementsColumn) {
      for (const std::string& key : keys)
        header += CsvCell(key) + ",";
    } else {
      header += std::string(records::kRecordColumns[i]) + ",";
    }
  }
  out << header.substr(0, header.size() - 1) << "\n";
  for (size_t r = 0; r < records.size(); ++r) {
    const records::RecordRow row = records::RecordToRow(records[r]);
    std::string line;
    for (size_t i = 0; i < row.size(); ++i) {
      if (i != records::kMeasurementsColumn) {
        line += CsvCell(row[i]) + ",";
        continue;
      }
      for (const std::string& key : keys) {
        const auto it = measured[r].find(key);
        line += CsvCell(it == measured[r].end() ? std::string() : it->second) + ",";
      }
    }
    out << line.substr(0, line.size() - 1) << "\n";
  }
}

int RecordsMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  CLI::App app{"Reads a record store.", "halyardctl records"};
  app.require_subcommand(1);
  Query list;
  bool csv = false;
  CLI::App* listCommand = app.add_subcommand("list", "one JSON object per record, oldest first");
  AddQueryOptions(*listCommand, list);
  listCommand->add_option("--unit", list.filter.unit, "only this unit's records");
  listCommand->add_option("--action", list.filter.action, "only this action's records");
  listCommand->add_flag("--csv", csv, "CSV, one row per record, measurements flattened");
  Query yield;
  std::string by = "day";
  CLI::App* yieldCommand = app.add_subcommand("yield", "one JSON object per group");
  AddQueryOptions(*yieldCommand, yield);
  yieldCommand->add_option("--by", by, "group by day, unit, action or socket")
      ->check(CLI::IsMember({"day", "unit", "action", "socket"}));

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
  const bool listing = listCommand->parsed();
  Query& query = listing ? list : yield;
  std::unique_ptr<records::RecordStore> store;
  if (!OpenForReading(query, store, err)) return kUsage;
  std::string error;
  std::vector<records::Record> found;
  std::vector<records::YieldGroup> groups;
  const records::YieldBy grouping = by == "unit"     ? records::YieldBy::kUnit
                                    : by == "action" ? records::YieldBy::kAction
                                    : by == "socket" ? records::YieldBy::kSocket
                                                     : records::YieldBy::kDay;
  if (listing ? !store->List(query.filter, found, error)
              : !store->Yield(query.filter, grouping, groups, error)) {
    err << "halyardctl records: " << error << "\n";
    return kUsage;
  }
  if (listing && csv) WriteRecordsCsv(found, out);
  for (size_t i = 0; listing && !csv && i < found.size(); ++i)
    out << records::RecordToJsonLine(found[i]) << "\n";
  for (const records::YieldGroup& group : groups) {
    Json line;
    line[by] = group.key;
    line["tested"] = group.tested;
    line["passed"] = group.passed;
    line["failed"] = group.failed;
    line["first_pass_yield"] = group.firstPassYield;
    line["units"] = group.units;
    out << DumpJson(line) << "\n";
  }
  return kOk;
}

}  // namespace halyard::cli
