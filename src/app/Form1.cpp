// Start-up, shutdown, the tab guard and the dispatch of the operator's events.
#include "app/Form1.h"

#include <utility>

#include "app/Configuration.h"

namespace halyard {

Form1::Form1(TarnelRW& tarnelRW1, Dialogs& dialogs, EventPump& pump, AppInfo info,
             ProfileFile configuration)
    : TarnelRW1_(tarnelRW1),
      dialogs_(dialogs),
      info_(std::move(info)),
      configuration_(std::move(configuration)),
      modUSB_(tarnelRW1, dialogs, info_.title),
      utils_(pump),
      context_{controls_, state_,   TarnelRW1_, modUSB_,    utils_,
               dialogs_,  verdict_, result_,    info_.title},
      testPanel_(context_),
      setUpPanel_(context_),
      programmingPanel_(context_),
      trimPanel_(context_, [this] { return programmingPanel_.ProgramFromSrec(); }) {}

Form1::~Form1() {
  Form_Unload();
}

std::filesystem::path Form1::ConfigurationPath() const {
  if (info_.configPath) return *info_.configPath;
  return FindConfiguration(info_.programPath, info_.configFallbacks);
}

void Form1::Form_Load() {
  if (loaded_) return;
  loaded_ = true;
  testPanel_.ResetTestStatus();
  // AdapterControl is TarnelRW1: ModUSB was built on the same instance.
  if (!modUSB_.AttachAdapter()) {
    dialogs_.MsgBox("Did not attach to Halyard", 0, "Error attaching");
  }
  state_.TargetNotConfigured = true;
  controls_.Program.Enabled = true;
  state_.ProgramPassCount = 0;
  state_.TargetIdString = kTargetIdText;
  trimPanel_.SetFineAdjustValue(kTrimMidrange);
  trimPanel_.SetGrossAdjustValue(kTrimMidrange);
  controls_.CurrentTrim.Caption = Utils::HexDigits(kTrimMidrange);
  controls_.Ver.Caption = "Version " + std::to_string(info_.versionMajor) + "." +
                          std::to_string(info_.versionMinor) + "." +
                          std::to_string(info_.versionRevision);
  ReadConfiguration();
  controls_.TitleFrame.Visible = true;
  controls_.SSTab1.Tab = kTabProgramming;  // selected by the program: the guard does not run
  CheckTargetConfigured();
  int16_t value = 0;
  TarnelRW1_.I2cAccess(kI2cBracket, kBracketClose, 0, value);
}

void Form1::ReadConfiguration() {
  const ProfileFile& profile = configuration_;
  const std::string srec = profile.Get(kSection, "SREC_FileName");
  if (srec.empty()) return;
  controls_.SREC_Name.Text = srec;
  controls_.TrimFilePathAndName.Text = profile.Get(kSection, "TRIM_FileName");
  state_.ExpectedVersion = profile.Get(kSection, "EXPECTED_VERSION").substr(0, 3);
}

void Form1::CheckTargetConfigured() {
  int16_t value = 0;
  if (TarnelRW1_.I2cAccess(kI2cBracket, kBracketOpen, 0, value) != 0) return;
  value = 0;
  if (TarnelRW1_.I2cAccess(kI2cRead, kTargetI2cDevice, kTargetFlagRegister, value) != 0) return;
  if ((value & 1) != 1) return;
  value = 0;
  if (TarnelRW1_.I2cAccess(kI2cRead, kTargetI2cDevice, kTargetLengthRegister, value) != 0) return;
  const auto length = static_cast<int16_t>(state_.TargetIdString.size());
  if (value != length) return;
  std::string text;
  modUSB_.ReadI2cString(kTargetTextRegister, length, kTargetI2cDevice, text);
  if (text == state_.TargetIdString) state_.TargetNotConfigured = false;
}

void Form1::Form_Unload() {
  if (!loaded_) return;
  loaded_ = false;
  modUSB_.DetachAdapter();
}

void Form1::TabGuard() {
  if (!state_.TargetNotConfigured) return;
  if (controls_.SSTab1.Tab == kTabTest) controls_.SSTab1.Tab = kTabSetUp;
}

template <typename Handler>
bool Form1::RunOperation(Handler&& handler) {
  if (busy_) return false;
  busy_ = true;
  verdict_.Begin();
  if (!actionOpen_) result_ = ActionResult{};
  handler();
  if (!actionOpen_) result_.Conclude(verdict_);
  busy_ = false;
  return true;
}

void Form1::OpenAction() {
  result_ = ActionResult{};
  actionOpen_ = true;
}

ActionResult Form1::CloseAction() {
  actionOpen_ = false;
  return std::exchange(result_, ActionResult{});
}

bool Form1::SelectTab(int16_t tab) {
  // Selecting a tab makes no bus transaction, so it stays possible during a wait.
  if (tab < 0 || tab >= kTabCount) return false;
  controls_.SSTab1.Tab = tab;
  TabGuard();
  return true;
}

bool Form1::Program_Click() {
  return RunOperation([&] { programmingPanel_.Program_Click(); });
}

bool Form1::Command1_Click() {
  return RunOperation([&] { setUpPanel_.Command1_Click(); });
}

bool Form1::Command2_Click(int16_t Index) {
  return RunOperation([&] { testPanel_.Command2_Click(Index); });
}

bool Form1::StartTrim_Click() {
  return RunOperation([&] { trimPanel_.StartTrim_Click(); });
}

bool Form1::MoveFineAdjust(int16_t value) {
  return RunOperation([&] { trimPanel_.MoveFineAdjust(value); });
}

bool Form1::MoveGrossAdjust(int16_t value) {
  return RunOperation([&] { trimPanel_.MoveGrossAdjust(value); });
}

bool Form1::RsvFlashRd_Click() {
  return RunOperation([&] { trimPanel_.RsvFlashRd_Click(); });
}

bool Form1::Update_Click() {
  return RunOperation([&] { trimPanel_.Update_Click(); });
}

}  // namespace halyard
