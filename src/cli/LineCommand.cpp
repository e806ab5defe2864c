// halyardctl line and halyardctl serve.
#include "cli/LineCommand.h"

#include <CLI/CLI.hpp>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <mutex>
#include <nlohmann/json.hpp>
#include <thread>

#include "app/Configuration.h"
#include "cli/Halyardctl.h"
#include "cli/LineTable.h"
#include "line/Supervisor.h"
#include "line/Worker.h"

namespace halyard::cli {

namespace {

using Json = nlohmann::ordered_json;

std::string UnitLine(const line::UnitReport& report) {
  Json actions = Json::array();
  for (const line::ActionOutcome& action : report.actions)
    actions.push_back({{"step", action.step}, {"verdict", action.verdict}});
  Json json{
      {"socket", report.socket},       {"unit", report.unit},
      {"verdict", report.verdict},     {"reason", report.reason},
      {"actions", std::move(actions)}, {"seconds", std::round(report.seconds * 1000.0) / 1000.0}};
  return json.dump(-1, ' ', false, Json::error_handler_t::replace);
}

// What the supervisor's thread and the input's reader hand the printing thread.
struct Outbox {
  std::mutex mutex;
  std::condition_variable changed;
  std::deque<std::string> lines;
  bool dirty = false;
  bool anyFailed = false;
};

void Post(Outbox& box, std::string line, bool failed) {
  const std::lock_guard lock(box.mutex);
  if (!line.empty()) box.lines.push_back(std::move(line));
  box.anyFailed = box.anyFailed || failed;
  box.dirty = true;
  box.changed.notify_one();
}

// Reads "SOCKET SERIAL" lines until the input ends, then tells the line to finish.
void ReadUnits(std::istream& in, line::Supervisor& supervisor, Outbox& box, std::ostream& err) {
  size_t number = 0;
  for (std::string text; std::getline(in, text);) {
    ++number;
    std::istringstream words(text);
    std::string socket, unit, extra;
    if (!(words >> socket)) continue;  // a blank line
    std::string reason;
    if (!(words >> unit) || (words >> extra)) {
      reason = "write SOCKET SERIAL";
    } else if (supervisor.Scan(socket, unit, reason)) {
      continue;
    }
    Post(box,
         Json{{"socket", socket}, {"unit", unit}, {"verdict", "refused"}, {"reason", reason}}.dump(
             -1, ' ', false, Json::error_handler_t::replace),
         true);
    const std::lock_guard lock(box.mutex);
    err << "halyardctl line: input line " << number << ": " << reason << "\n";
  }
  supervisor.Finish();
}

}  // namespace

int ServeMain(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
              std::ostream& err) {
  CLI::App app{"One socket's worker of a line: reads unit orders, runs them (docs/line.md).",
               "halyardctl serve"};
  line::WorkerOptions options;
  std::string config;
  std::string bench;
  app.add_option("--socket", options.socket, "the socket's name")->required();
  app.add_option("--config", config, "the station's configuration file")->required();
  app.add_option("--adapter", options.adapter, "the socket's backend");
  CLI::Option* benchOption = app.add_option("--bench", bench, "a sim socket's bench file");
  app.add_option("--counter", options.counter, "the socket's frequency counter");
  app.add_option("--counter-lock", options.counterLock, "a shared counter's lock file");
  app.add_option("--records", options.recordsStore, "the record store");
  app.add_option("--spool", options.spool, "where records wait while the store is down");
  app.add_option("--operator", options.operatorName, "the operator's name in the records");
  app.add_flag("--no-wait", options.noWait, "waits end at once (a virtual clock)");
  if (const int exit = ParseCommand(app, args, out, err, "halyardctl serve"); exit >= 0)
    return exit;
  options.configPath = config;
  if (benchOption->count() > 0) options.bench = bench;
  return line::Serve(options, in, out, err);
}

int LineMain(const std::vector<std::string>& args, const std::filesystem::path& program,
             const std::vector<std::filesystem::path>& configFallbacks, std::istream& in,
             std::ostream& out, std::ostream& err, bool terminal) {
  CLI::App app{
      "Runs the line of the configuration's [Line] section: one station per socket, "
      "units read as \"SOCKET SERIAL\" lines from standard input, one JSON line per "
      "unit ended (docs/line.md). Exit status 1 when any unit failed or was refused.",
      "halyardctl line"};
  std::string config;
  std::string records;
  line::SupervisorSetup setup;
  CLI::Option* recordsOption =
      app.add_option("--records", records, "the record store (default: [Records])");
  app.add_option("--config", config, "configuration file instead of halyard-station.ini");
  app.add_option("--spool", setup.spool, "where records wait while the store is down");
  app.add_option("--operator", setup.operatorName, "the operator's name in the records");
  app.add_flag("--no-wait", setup.noWait, "waits end at once (a virtual clock)");
  if (const int exit = ParseCommand(app, args, out, err, "halyardctl line"); exit >= 0) return exit;

  const std::filesystem::path configPath =
      config.empty() ? FindConfiguration(program.parent_path() / "halyard-station", configFallbacks)
                     : std::filesystem::path(config);
  std::string error;
  if (!line::ReadSupervisorSetup(configPath, program,
                                 recordsOption->count() > 0 ? std::optional(records) : std::nullopt,
                                 setup, error)) {
    err << "halyardctl line: " << configPath.string() << ": " << OneLine(error) << "\n";
    return kExitUsage;
  }
  line::Supervisor supervisor(std::move(setup));
  Outbox box;
  supervisor.SetListener({[&box](size_t) { Post(box, "", false); },
                          [&box](const line::UnitReport& report) {
                            Post(box, UnitLine(report), report.verdict != "passed");
                          }});
  if (!supervisor.Start(error)) {
    err << "halyardctl line: " << OneLine(error) << "\n";
    return kExitUsage;
  }
  std::thread reader([&] { ReadUnits(in, supervisor, box, err); });
  LineTable table(out, terminal);
  for (bool done = false; !done;) {
    std::unique_lock lock(box.mutex);
    box.changed.wait_for(lock, std::chrono::milliseconds(250), [&box] { return box.dirty; });
    box.dirty = false;
    done = supervisor.Ended();
    table.Show(box.lines, supervisor.Sockets(), done);
    box.lines.clear();
  }
  reader.join();
  supervisor.Wait();
  return box.anyFailed ? kExitFailed : kExitOk;
}

}  // namespace halyard::cli
