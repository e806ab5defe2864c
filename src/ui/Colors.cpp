// System colours have no table on Linux; each index maps to the palette role that plays the
// same part in a Qt style, so the labels follow the desktop's colour scheme.
#include "ui/Colors.h"

namespace halyard::ui {

namespace {
constexpr uint32_t kSystemColourBit = 0x80000000u;

QPalette::ColorRole RoleOfSystemColour(uint32_t index) {
  switch (index) {
    case 4:  // menu
      return QPalette::Window;
    case 5:  // window background
      return QPalette::Base;
    case 7:  // menu text
    case 9:  // active caption text
      return QPalette::WindowText;
    case 8:  // window text
      return QPalette::Text;
    // Active border: in the classic scheme the same light grey as a dialog's face, so the
    // neutral status label blends into the tab as it was meant to.
    case 10:
      return QPalette::Window;
    case 13:  // highlight
      return QPalette::Highlight;
    case 14:  // highlighted text
      return QPalette::HighlightedText;
    case 15:  // button face
      return QPalette::Button;
    case 16:  // button shadow
      return QPalette::Dark;
    case 18:  // button text
      return QPalette::ButtonText;
    case 20:  // 3D highlight
      return QPalette::Light;
    case 24:  // tooltip text
      return QPalette::ToolTipText;
    case 25:  // tooltip background
      return QPalette::ToolTipBase;
    default:
      return QPalette::Window;
  }
}
}  // namespace

QColor ToQColor(uint32_t value, const QPalette& palette) {
  if ((value & kSystemColourBit) != 0) {
    return palette.color(QPalette::Active, RoleOfSystemColour(value & 0xFFu));
  }
  return QColor(static_cast<int>(value & 0xFFu), static_cast<int>((value >> 8) & 0xFFu),
                static_cast<int>((value >> 16) & 0xFFu));
}

}  // namespace halyard::ui
