// The window as data: the state of every control Form1 changes, by the control's name, and the
// window-level state the panels share. The control registry (app/ControlRegistry.h) says which
// control each member belongs to; the Qt window draws from it, halyardctl prints it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace halyard {

// Colours are 0x00BBGGRR; bit 31 set names a system colour by the index in the low byte.
inline constexpr uint32_t kColorNeutral = 0x8000000A;     // system colour 10, active border
inline constexpr uint32_t kColorButtonFace = 0x8000000F;  // system colour 15
inline constexpr uint32_t kColorButtonText = 0x80000012;  // system colour 18
inline constexpr uint32_t kColorPassFore = 0x008000;      // dark green
inline constexpr uint32_t kColorPassBack = 0x80FF80;      // light green
inline constexpr uint32_t kColorFailFore = 0x000080;      // dark red
inline constexpr uint32_t kColorFailBack = 0x8080FF;      // light red

struct LabelState {
  std::string Caption;
  uint32_t ForeColor = kColorButtonText;
  uint32_t BackColor = kColorButtonFace;
  bool operator==(const LabelState&) const = default;
};

struct TextBoxState {
  std::string Text;
  bool operator==(const TextBoxState&) const = default;
};

struct ButtonState {
  std::string Caption;
  bool Enabled = true;
  bool operator==(const ButtonState&) const = default;
};

struct CheckBoxState {
  int16_t Value = 0;  // 0 unchecked, 1 checked, 2 grey
  bool operator==(const CheckBoxState&) const = default;
};

struct ScrollBarState {
  int16_t Value = 0;
  int16_t Min = 0;
  int16_t Max = 255;
  int16_t SmallChange = 1;
  int16_t LargeChange = 1;
  bool operator==(const ScrollBarState&) const = default;
};

struct TabControlState {
  int16_t Tab = 0;
  bool operator==(const TabControlState&) const = default;
};

struct FrameState {
  bool Visible = false;
  bool operator==(const FrameState&) const = default;
};

// The four tests and "Run All": the size of the control arrays Command2, Label6 and Label5.
inline constexpr int kTestCount = 4;
inline constexpr int kRunAllIndex = 4;
inline constexpr size_t kControlArraySize = kRunAllIndex + 1;

// Each member starts at its control's design value: the window is built showing these, and
// halyardctl's start-up reports the changes from them.
struct FormControls {
  // Title strip.
  FrameState TitleFrame;
  LabelState Ver{"Version 0.63"};
  TabControlState SSTab1;

  // Tab 0, "Programming".
  ButtonState Program{"Program"};
  TextBoxState SREC_Name;
  LabelState Label7{"Label7"};
  LabelState Label4{"0"};

  // Tab 1, "Test".
  std::array<ButtonState, kControlArraySize> Command2{
      {{"Version Test"}, {"SMBus Test"}, {"I2C Test"}, {"SWB Test"}, {"Run All"}}};
  std::array<LabelState, kControlArraySize> Label6{
      {{"Status"}, {"Status"}, {"Status"}, {"Status"}, {"Status"}}};
  // Label5(4) is the scale over the two trim bars on tab 3.
  std::array<LabelState, kControlArraySize> Label5{
      {{"Label5"}, {"Label5"}, {"Label5"}, {"Label5"}, {"1       8"}}};
  LabelState Label3{"0"};

  // Tab 2, "SetUp".
  ButtonState Command1{"Configure Test Target"};

  // Tab 3, "Trim".
  ButtonState StartTrim{"Start"};
  TextBoxState TrimFilePathAndName{".\\gxTrim.srec"};
  CheckBoxState AutoUpdate;
  LabelState CurrentTrim;
  ScrollBarState FineAdjust{0, 0, 255, 1, 1};
  ScrollBarState GrossAdjust{0, 0, 255, 8, 8};
  ButtonState Update{"Update Trim"};
  TextBoxState ReservedRow;
  ButtonState RsvFlashRd{"Read Trim"};
};

// The tabs of SSTab1, in their order.
inline constexpr int16_t kTabProgramming = 0;
inline constexpr int16_t kTabTest = 1;
inline constexpr int16_t kTabSetUp = 2;
inline constexpr int16_t kTabTrim = 3;
inline constexpr int16_t kTabCount = 4;

struct WindowState {
  bool TargetNotConfigured = true;
  std::string TargetIdString;
  std::string ExpectedVersion;
  int16_t ProgramPassCount = 0;
  std::array<bool, kControlArraySize> TestPassed{};
};

}  // namespace halyard
