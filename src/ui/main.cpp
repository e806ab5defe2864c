// main() of halyard-station: the operator's window on the simulated bench or another adapter,
// recording each action into the configured record store.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/Configuration.h"
#include "assembly/Backend.h"
#include "assembly/Station.h"
#include "assembly/StationRecords.h"
#include "ui/LineWindow.h"
#include "ui/OperatorSettings.h"
#include "ui/QtServices.h"
#include "ui/StationWindow.h"

namespace {

bool IsSet(const char* variable) {
  const char* value = std::getenv(variable);
  return value != nullptr && *value != '\0';
}

// Qt aborts without a display; the station should say what to do instead.
bool HaveDisplay() {
  return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") || IsSet("QT_QPA_PLATFORM");
}

// A box on a platform nobody looks at (offscreen, minimal) would wait for ever.
bool OperatorSeesBoxes() {
  const std::string platform = IsSet("QT_QPA_PLATFORM") ? std::getenv("QT_QPA_PLATFORM") : "";
  return HaveDisplay() && !platform.starts_with("offscreen") && !platform.starts_with("minimal");
}

// A problem that keeps the station from starting: one line on stderr, and a box the operator
// must close where there is a screen to show it on. The station then exits 2.
int StartupProblem(const std::string& text, int& argc, char** argv) {
  std::cerr << "halyard-station: " << text << "\n";
  if (!OperatorSeesBoxes()) return 2;
  std::optional<QApplication> own;
  if (QApplication::instance() == nullptr) own.emplace(argc, argv);
  halyard::ui::ShowStartupProblem(text);
  return 2;
}

// The command line: false when the program is to end at once with `exit`.
bool ParseArguments(int argc, char** argv, halyard::StationOptions& options, bool& line,
                    int& exit) {
  CLI::App cli{"halyard-station: the operator's window of the Halyard production station"};
  std::string benchPath;
  std::string configPath;
  cli.add_option("--adapter", options.adapter, halyard::AdapterHelp());
  CLI::Option* benchOption =
      cli.add_option("--bench", benchPath, "bench file (JSON) of the simulated adapter");
  cli.add_option("--config", configPath,
                 "configuration file (default: halyard-station.ini beside the program, in "
                 "$XDG_CONFIG_HOME/halyard-station/ or in the system's configuration folder)");
  cli.add_flag("--line", line,
               "the line's window: the sockets of the configuration's [Line] section, each "
               "testing units with an adapter of its own (docs/line.md)")
      ->excludes("--adapter")
      ->excludes("--bench");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    exit = cli.exit(e);
    return false;
  } catch (const CLI::ParseError& e) {
    cli.exit(e);
    exit = 2;
    return false;
  }
  if (benchOption->count() > 0) options.benchPath = benchPath;
  if (!configPath.empty()) options.app.configPath = configPath;
  options.app.programPath = std::filesystem::read_symlink("/proc/self/exe");
  options.app.configFallbacks = halyard::InstalledConfigurationPaths();
  return true;
}

// The window over a started station, until the operator closes it.
int RunWindow(halyard::Station& station, halyard::ui::QtDialogs& dialogs,
              halyard::ui::QtEventPump& pump, halyard::StationRecords& records,
              const halyard::ui::OperatorSettings& settings) {
  halyard::Form1& form = station.Form();
  halyard::ui::StationWindow window(station, {.records = &records, .operatorSettings = settings});
  dialogs.SetParent(&window);
  dialogs.SetBeforeShow([&window] { window.SyncFromForm(); });
  pump.SetBeforeWait([&window] { window.SyncFromForm(); });
  window.show();
  const int status = QApplication::exec();
  form.Form_Unload();  // already done when the window closed; kept for a quit from elsewhere
  records.Close();
  dialogs.SetParent(nullptr);
  // Shutdown writes the bench's state file: what the operator did may not be kept.
  if (const std::string fault = station.BackendFault(); !fault.empty()) {
    std::cerr << "halyard-station: " << fault << "\n";
    dialogs.MsgBox(fault, 0, "halyard-station");
    return 1;
  }
  return status;
}

// The line's window, over the configuration's [Line].
int RunLine(const halyard::StationOptions& options, int& argc, char** argv) {
  halyard::ui::LineWindowSetup setup;
  std::string error;
  if (!halyard::ui::PrepareLine(options.app, setup, error))
    return StartupProblem(error, argc, argv);
  if (!HaveDisplay()) {
    std::cerr << "halyard-station: no display to open the window on; use halyardctl line for the "
                 "line without a window\n";
    return 2;
  }
  QApplication app(argc, argv);
  halyard::ui::LineWindow window(std::move(setup));
  if (!window.Start(error)) return StartupProblem(error, argc, argv);
  window.show();
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  halyard::StationOptions options;
  bool line = false;
  if (int exit = 0; !ParseArguments(argc, argv, options, line, exit)) return exit;
  if (line) return RunLine(options, argc, argv);

  halyard::ui::QtDialogs dialogs;
  halyard::ui::QtEventPump pump;
  std::string error;
  const auto station = halyard::Station::Build(options, dialogs, pump, error);
  if (!station) return StartupProblem(error, argc, argv);

  if (!HaveDisplay()) {
    std::cerr << "halyard-station: no display to open the window on (DISPLAY, WAYLAND_DISPLAY "
                 "and QT_QPA_PLATFORM are unset); use halyardctl for the station without a "
                 "window, or run `xvfb-run make run` for a virtual display\n";
    return 2;
  }

  // [Station]'s settings for the operator's hand: a value that cannot be meant stops the station.
  halyard::ui::OperatorSettings settings;
  if (!halyard::ui::ReadOperatorSettings(station->Configuration(), settings, error))
    return StartupProblem(error, argc, argv);

  QApplication app(argc, argv);
  halyard::Form1& form = station->Form();
  // Start-up's message boxes appear on their own, before the window.
  form.Form_Load();
  // A state file that could not be read would have the bench forget what was done to it.
  if (const std::string fault = station->BackendFault(); !fault.empty())
    return StartupProblem(fault, argc, argv);
  halyard::StationRecords records;
  const std::string store = halyard::ConfiguredRecordsStore(station->Configuration());
  if (!records.Open(*station, {.store = store}, error))
    return StartupProblem("records store: " + error, argc, argv);
  return RunWindow(*station, dialogs, pump, records, settings);
}
