// The window's layout tables: every control with its kind, design caption, position and size
// in twips, keyboard order, font and alignment. The Qt window builds its widgets from these.
#pragma once

#include <span>
#include <string>

namespace halyard::ui {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 6510;
inline constexpr int kClientHeightTwips = 5160;
inline constexpr const char* kWindowCaption = "reDido USB";
inline constexpr const char* kTabControlName = "SSTab1";
inline constexpr const char* kTabCaptions[] = {"Programming", "Test", "SetUp", "Trim"};
inline constexpr int kTabCount = 4;

enum class ControlKind { kFrame, kLabel, kButton, kTextBox, kCheckBox, kVScrollBar, kTabControl };
enum class Alignment { kLeft, kCentre, kRight };
enum class FontStyle {
  kDefault,  // the window's font, 8.25 pt regular
  kTitle,    // 12 pt bold
  kBold,     // 8.25 pt bold
};

struct ControlLayout {
  const char* name;
  int index;  // place in a control array, -1 for a single control
  ControlKind kind;
  const char* caption;           // caption or initial text at design time
  int left, top, width, height;  // twips, relative to the container's client area
  int tabOrder;
  const char* container;  // "" for the window, a frame's name, or the tab control's name
  int tab;                // the tab a control sits on when its container is the tab control
  Alignment alignment = Alignment::kLeft;
  FontStyle font = FontStyle::kDefault;
};

// Frames come before the controls inside them.
std::span<const ControlLayout> MainWindowLayout();

// "Command2(4)" for an element of a control array, else the bare name.
std::string ControlKey(const std::string& name, int index = -1);

// Twips to pixels at `dpi`, rounded to the nearest pixel.
int TwipsToPixels(int twips, double dpi);

}  // namespace halyard::ui
