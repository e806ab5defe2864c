// halyardctl as a library: the command line is parsed and a whole session (start-up, the
// steps, shutdown) is run in-process, so tests drive exactly what the program does.
#pragma once

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace halyard::cli {

inline constexpr const char* kProgramName = "halyardctl";

inline constexpr int kExitOk = 0;
// A test failed, a message box was raised; records export: messages still wait in its outbox.
inline constexpr int kExitFailed = 1;
inline constexpr int kExitUsage = 2;  // bad usage or a bad file; nothing ran
// A record was kept nowhere (neither store nor spool took it): the session's results cannot be
// traced, whatever its verdicts. Wins over kExitFailed.
inline constexpr int kExitRecordLost = 3;

struct Options {
  std::optional<std::filesystem::path> configPath;  // overrides halyard-station.ini
  std::string adapter;  // "sim", "i2c:...", "driver:..."; empty: the configuration's, else sim
  std::optional<std::string> benchPath;  // none: the default bench
  std::string counter;  // --counter: "sim", "scpi:tcp:HOST:PORT", "scpi:/dev/usbtmcN"
  bool json = false;
  bool trace = false;
  bool noWait = false;       // waits end at once on a virtual clock
  std::string recordsStore;  // --records: where each action's record goes; empty: nowhere
  std::string operatorName;  // --operator
  std::string spoolPath;     // --spool; empty: the station's state folder
  // Read when no halyard-station.ini is beside the program (AppInfo::configFallbacks).
  std::vector<std::filesystem::path> configFallbacks;
  std::vector<std::string> steps;
};

// Runs one session on the chosen adapter backend. `programDir` is the folder whose
// halyard-station.ini is the configuration when `options.configPath` is not set. Reports
// go to `out`, the one-line reason for exit status 2 to `err`.
int RunSession(const Options& options, const std::filesystem::path& programDir, std::ostream& out,
               std::ostream& err);

// The whole program: `args` are the arguments after the program name. Never throws.
// `configFallbacks` as in Options; the program passes the installed places, tests none.
int HalyardctlMain(const std::vector<std::string>& args, const std::filesystem::path& programDir,
                   std::ostream& out, std::ostream& err,
                   const std::vector<std::filesystem::path>& configFallbacks = {});

// `text` with its line breaks made blanks: errors are reported in one line.
std::string OneLine(std::string text);

// Parses a command's `args` (those after its name, e.g. "line") into `app`. The exit status when
// the program is to end at once: kExitOk after the help, kExitUsage after one line on `err`
// ("`name`: why"); else -1.
int ParseCommand(CLI::App& app, const std::vector<std::string>& args, std::ostream& out,
                 std::ostream& err, const char* name);

// The folder of the running executable (from /proc/self/exe), or the working directory
// when that cannot be read.
std::filesystem::path ProgramDirectory();

}  // namespace halyard::cli
