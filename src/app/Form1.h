// The station's window without widgets: its controls as data, start-up and shutdown, the tab
// guard, and the operator's events forwarded to the tab panels. The Qt window and
// halyardctl both drive this class.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Version.h"
#include "adapter/Dialogs.h"
#include "adapter/EventPump.h"
#include "adapter/ModUSB.h"
#include "adapter/TarnelRW.h"
#include "adapter/Utils.h"
#include "app/Configuration.h"
#include "bustest/TestPanel.h"
#include "programming/ProgrammingPanel.h"
#include "setup/SetUpPanel.h"
#include "station/Controls.h"
#include "station/FormContext.h"
#include "trim/TrimPanel.h"

namespace halyard {

struct AppInfo {
  std::string title = "halyard-station";  // the application's own title
  // The program as started; its folder and name give the configuration file's path.
  std::filesystem::path programPath = "halyard-station";
  std::optional<std::filesystem::path> configPath;  // overrides the path above
  // Read in order when there is no configuration beside the program. The programs set the
  // installed places (InstalledConfigurationPaths); left empty, nothing outside the program's
  // folder is read, which keeps tests clear of an installed station's files.
  std::vector<std::filesystem::path> configFallbacks;
  int versionMajor = kVersionMajor;  // the build's own version unless a test says otherwise
  int versionMinor = kVersionMinor;
  int versionRevision = kVersionRevision;
};

class Form1 {
 public:
  static constexpr const char* kSection = "DefaultFiles";

  // `configuration` is the file the station read for it (ConfigurationPath()), or an empty
  // profile when there was none: start-up takes [DefaultFiles] from it.
  Form1(TarnelRW& tarnelRW1, Dialogs& dialogs, EventPump& pump, AppInfo info,
        ProfileFile configuration);
  ~Form1();  // runs shutdown if the window was loaded and not yet unloaded
  Form1(const Form1&) = delete;
  Form1& operator=(const Form1&) = delete;

  void Form_Load();    // start-up
  void Form_Unload();  // shutdown: closes the adapter

  // Operator events. While an operation sits in a timed wait, every one of them that would
  // start another operation is ignored (returns false): nested runs would interleave bus
  // transactions and overwrite each other's verdicts. The window also disables its controls.
  bool SelectTab(int16_t tab);  // the operator selects a tab; the tab guard runs
  bool Program_Click();
  bool Command1_Click();
  bool Command2_Click(int16_t Index);
  bool StartTrim_Click();
  bool MoveFineAdjust(int16_t value);  // the operator moves the bar to `value`
  bool MoveGrossAdjust(int16_t value);
  bool RsvFlashRd_Click();
  bool Update_Click();
  // Edits of text boxes and the check box start nothing and are always taken.
  void SetSrecName(const std::string& text) { controls_.SREC_Name.Text = text; }
  void SetTrimFilePathAndName(const std::string& text) {
    controls_.TrimFilePathAndName.Text = text;
  }
  void SetAutoUpdate(int16_t value) { controls_.AutoUpdate.Value = value; }

  // The tab guard: keeps the operator off "Test" while the target is not configured.
  void TabGuard();

  bool Busy() const { return busy_; }
  const FormControls& Controls() const { return controls_; }
  const WindowState& State() const { return state_; }
  const AppInfo& Info() const { return info_; }
  // The verdict of the last operation that ran (a test, Run All, configuring, programming, a
  // trim action). Edits and tab changes have none and leave it alone.
  const ActionVerdict& Verdict() const { return verdict_; }
  // What the panels measured: of the action the station opened, which may run several
  // operations (the automatic trim moves the bars many times), or else of the last operation.
  const ActionResult& Result() const { return result_; }
  // Between these two every operation fills one result, which CloseAction hands over; its
  // verdict is the caller's to conclude.
  void OpenAction();
  ActionResult CloseAction();
  std::filesystem::path ConfigurationPath() const;
  // The configuration file as the station read it; empty when there was none.
  const ProfileFile& Configuration() const { return configuration_; }

 private:
  template <typename Handler>
  bool RunOperation(Handler&& handler);
  void ReadConfiguration();
  void CheckTargetConfigured();

  TarnelRW& TarnelRW1_;
  Dialogs& dialogs_;
  AppInfo info_;
  ProfileFile configuration_;
  FormControls controls_;
  WindowState state_;
  ActionVerdict verdict_;
  ActionResult result_;
  bool actionOpen_ = false;
  ModUSB modUSB_;
  Utils utils_;
  FormContext context_;
  TestPanel testPanel_;
  SetUpPanel setUpPanel_;
  ProgrammingPanel programmingPanel_;
  TrimPanel trimPanel_;
  bool loaded_ = false;
  bool busy_ = false;
};

}  // namespace halyard
