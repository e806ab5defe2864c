// halyardctl's command line: the options and steps parsed with CLI11, then the session or the
// records commands.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <exception>
#include <iostream>
#include <system_error>

#include "Version.h"
#include "assembly/Backend.h"
#include "assembly/Steps.h"
#include "cli/ExportCommand.h"
#include "cli/Halyardctl.h"
#include "cli/LineCommand.h"
#include "cli/RecordsCommand.h"

namespace halyard::cli {

namespace {

std::string VersionText() {
  return std::to_string(kVersionMajor) + "." + std::to_string(kVersionMinor) + "." +
         std::to_string(kVersionRevision);
}

// What the station runs on: the adapter backend, the bench, the frequency counter. Returns the
// --bench option, whose absence means the default bench.
CLI::Option* AddInstrumentOptions(CLI::App& app, Options& options, std::string& benchPath) {
  app.add_option("--adapter", options.adapter, AdapterHelp());
  CLI::Option* bench =
      app.add_option("--bench", benchPath, "bench file (JSON); default: the default bench");
  app.add_option("--counter", options.counter,
                 "frequency counter for trim-auto: sim (the backend's own), scpi:tcp:HOST:PORT or "
                 "scpi:/dev/usbtmcN");
  return bench;
}

}  // namespace

int HalyardctlMain(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                   std::ostream& out, std::ostream& err,
                   const std::vector<std::filesystem::path>& configFallbacks) {
  try {
    if (args.size() > 1 && args[0] == "records" && args[1] == "export") {
      return ExportMain(std::vector<std::string>(args.begin() + 2, args.end()), programDir,
                        configFallbacks, out, err);
    }
    if (!args.empty() && args[0] == "records") {
      return RecordsMain(std::vector<std::string>(args.begin() + 1, args.end()), out, err);
    }
    if (!args.empty() && (args[0] == "line" || args[0] == "serve")) {
      const std::vector<std::string> rest(args.begin() + 1, args.end());
      if (args[0] == "serve") return ServeMain(rest, std::cin, out, err);
      const bool terminal = &out == &std::cout && ::isatty(STDOUT_FILENO) == 1;
      return LineMain(rest, programDir / kProgramName, configFallbacks, std::cin, out, err,
                      terminal);
    }
    CLI::App app{
        "Runs the halyard-station window logic on the simulated bench or another adapter, one "
        "operator action per step.",
        kProgramName};
    Options options;
    options.configFallbacks = configFallbacks;
    std::string configPath;
    bool version = false;
    CLI::Option* configOption =
        app.add_option("--config", configPath, "configuration file instead of halyard-station.ini");
    std::string benchPath;
    CLI::Option* benchOption = AddInstrumentOptions(app, options, benchPath);
    app.add_flag("--json", options.json, "one JSON object per line: startup, each step, shutdown");
    app.add_flag("--trace", options.trace, "show the bus trace lines in the text output");
    app.add_flag("--no-wait", options.noWait,
                 "waits end at once (a virtual clock); changes only the pacing");
    app.add_flag("--version", version, "print the version and exit");
    app.add_option("--records", options.recordsStore,
                   "record each action in STORE (FILE.db, postgresql://..., none)");
    app.add_option("--operator", options.operatorName, "the operator's name in the records");
    app.add_option("--spool", options.spoolPath, "where records wait while the store is down");
    app.add_option("steps", options.steps, "operator actions, in order");
    app.footer(StepHelp() +
               "\nExit status: 0 all went through, 1 a test failed or a message "
               "box was raised, 2 bad usage or a bad file, 3 a record was lost (kept neither "
               "in the store nor in the spool).\n"
               "halyardctl records list|yield|report --help: read a record store; records export "
               "--help: send it to the factory's broker.\n"
               "halyardctl line --help: run the line of the configuration's [Line] section.");

    std::vector<const char*> argv{kProgramName};
    for (const std::string& arg : args)
      argv.push_back(arg.c_str());
    try {
      app.parse(static_cast<int>(argv.size()), argv.data());
    } catch (const CLI::CallForHelp&) {
      out << app.help();
      return kExitOk;
    } catch (const CLI::ParseError& e) {
      err << kProgramName << ": " << OneLine(e.what()) << "\n";
      return kExitUsage;
    }
    if (version) {
      out << kProgramName << " " << VersionText() << "\n";
      return kExitOk;
    }
    if (configOption->count() > 0) options.configPath = configPath;
    if (benchOption->count() > 0) options.benchPath = benchPath;
    return RunSession(options, programDir, out, err);
  } catch (const std::exception& e) {
    err << kProgramName << ": internal error: " << OneLine(e.what()) << "\n";
  } catch (...) {
    err << kProgramName << ": internal error\n";
  }
  return kExitUsage;
}

int ParseCommand(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err, const char* name) {
  std::vector<std::string> reversed(args.rbegin(), args.rend());
  try {
    app.parse(reversed);
  } catch (const CLI::CallForHelp&) {
    out << app.help();
    return kExitOk;
  } catch (const CLI::ParseError& e) {
    err << name << ": " << OneLine(e.what()) << "\n";
    return kExitUsage;
  }
  return -1;
}

std::filesystem::path ProgramDirectory() {
  std::error_code ec;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec && exe.has_parent_path()) return exe.parent_path();
  std::filesystem::path cwd = std::filesystem::current_path(ec);
  return ec ? std::filesystem::path(".") : cwd;
}

}  // namespace halyard::cli
