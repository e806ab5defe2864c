// main() of halyard-station: the operator's window on the simulated bench or another adapter.
#include <CLI/CLI.hpp>
#include <QApplication>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "app/Configuration.h"
#include "assembly/Station.h"
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

}  // namespace

int main(int argc, char** argv) {
  CLI::App cli{"halyard-station: the operator's window of the Halyard production station"};
  std::string adapter;
  std::string benchPath;
  std::string configPath;
  cli.add_option("--adapter", adapter,
                 "sim (default), i2c:/dev/i2c-N[,OPTION...] or driver:LIBRARY[,ARGUMENT]");
  CLI::Option* benchOption =
      cli.add_option("--bench", benchPath, "bench file (JSON) of the simulated adapter");
  cli.add_option("--config", configPath,
                 "configuration file (default: halyard-station.ini beside the program, in "
                 "$XDG_CONFIG_HOME/halyard-station/ or in the system's configuration folder)");
  try {
    cli.parse(argc, argv);
  } catch (const CLI::CallForHelp& e) {
    return cli.exit(e);
  } catch (const CLI::ParseError& e) {
    cli.exit(e);
    return 2;
  }

  // The station is built before Qt, so a bad bench file gets its one line and nothing else.
  halyard::ui::QtDialogs dialogs;
  halyard::ui::QtEventPump pump;
  halyard::StationOptions options;
  options.adapter = adapter;
  if (benchOption->count() > 0) options.benchPath = benchPath;
  if (!configPath.empty()) options.app.configPath = configPath;
  options.app.programPath = std::filesystem::read_symlink("/proc/self/exe");
  options.app.configFallbacks = halyard::InstalledConfigurationPaths();
  std::string error;
  const auto station = halyard::Station::Build(options, dialogs, pump, error);
  if (!station) {
    std::cerr << "halyard-station: " << error << "\n";
    return 2;
  }

  if (!HaveDisplay()) {
    std::cerr << "halyard-station: no display to open the window on (DISPLAY, WAYLAND_DISPLAY "
                 "and QT_QPA_PLATFORM are unset); use halyardctl for the station without a "
                 "window, or run `xvfb-run make run` for a virtual display\n";
    return 2;
  }

  QApplication app(argc, argv);
  halyard::Form1& form = station->Form();
  // A backend file that could not be read or written is said in a box and on stderr: what the
  // operator did may not be kept.
  const auto reportFault = [&]() {
    const std::string fault = station->BackendFault();
    if (fault.empty()) return false;
    std::cerr << "halyard-station: " << fault << "\n";
    dialogs.MsgBox(fault, 0, "halyard-station");
    return true;
  };
  // Start-up's message boxes appear on their own, before the window.
  form.Form_Load();
  reportFault();

  halyard::ui::StationWindow window(form);
  dialogs.SetParent(&window);
  dialogs.SetBeforeShow([&window] { window.SyncFromForm(); });
  pump.SetBeforeWait([&window] { window.SyncFromForm(); });
  // The window keeps no trace: halyardctl is the tool that reports it.
  window.SetAfterEvent([&station] { station->TakeTrace(); });
  station->TakeTrace();
  window.show();
  const int status = app.exec();
  form.Form_Unload();  // already done when the window closed; kept for a quit from elsewhere
  dialogs.SetParent(nullptr);
  if (reportFault()) return 1;
  return status;
}
