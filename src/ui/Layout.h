// The window's layout: for every control of the registry (by name and index), its position and
// size in twips, its container, its place in the keyboard order, its font and alignment. What a
// control is and what it shows is the registry's (app/ControlRegistry.h).
#pragma once

#include <span>

namespace halyard::ui {

inline constexpr int kTwipsPerInch = 1440;
inline constexpr int kClientWidthTwips = 6510;
inline constexpr int kClientHeightTwips = 5160;
inline constexpr const char* kWindowCaption = "reDido USB";
inline constexpr const char* kTabControlName = "SSTab1";
inline constexpr const char* kTabCaptions[] = {"Programming", "Test", "SetUp", "Trim"};
inline constexpr int kTabCount = 4;

enum class Alignment { kLeft, kCentre, kRight };
enum class FontStyle {
  kDefault,  // the window's font, 8.25 pt regular
  kTitle,    // 12 pt bold
  kBold,     // 8.25 pt bold
};

struct ControlLayout {
  const char* name;
  int index;                     // place in a control array, -1 for a single control
  int left, top, width, height;  // twips, relative to the container's client area
  int tabOrder;
  const char* container;  // "" for the window, a frame's name, or the tab control's name
  int tab;                // the tab a control sits on when its container is the tab control
  Alignment alignment = Alignment::kLeft;
  FontStyle font = FontStyle::kDefault;
};

// Frames come before the controls inside them.
std::span<const ControlLayout> MainWindowLayout();

// Twips to pixels at `dpi`, rounded to the nearest pixel.
int TwipsToPixels(int twips, double dpi);

}  // namespace halyard::ui
