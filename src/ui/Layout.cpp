// The window's layout tables.
#include "ui/Layout.h"

#include <array>
#include <cmath>

namespace halyard::ui {

namespace {
using K = ControlKind;
using A = Alignment;
using F = FontStyle;

constexpr std::array kLayout{
    // Title strip.
    ControlLayout{"TitleFrame", -1, K::kFrame, "", 120, 120, 6255, 735, 0, "", -1},
    ControlLayout{"Label28", -1, K::kLabel, "Halyard Test Program", 240, 240, 2895, 375, 1,
                  "TitleFrame", -1, A::kLeft, F::kTitle},
    ControlLayout{"Ver", -1, K::kLabel, "Version 0.63", 4320, 240, 1695, 255, 22, "TitleFrame", -1,
                  A::kCentre},
    ControlLayout{"SSTab1", -1, K::kTabControl, "", 120, 960, 6255, 4095, 2, "", -1},

    // Tab 0, "Programming".
    ControlLayout{"Frame1", -1, K::kFrame, "s-Record File", 240, 840, 5655, 855, 3, "SSTab1", 0},
    ControlLayout{"SREC_Name", -1, K::kTextBox, "", 120, 360, 4215, 285, 5, "Frame1", -1},
    ControlLayout{"Program", -1, K::kButton, "Program", 4560, 360, 975, 255, 4, "Frame1", -1},
    ControlLayout{"Label7", -1, K::kLabel, "Label7", 4320, 1800, 1575, 255, 27, "SSTab1", 0},
    ControlLayout{"Label2", -1, K::kLabel, "Succeeded:", 4320, 2520, 975, 255, 7, "SSTab1", 0},
    ControlLayout{"Label4", -1, K::kLabel, "0", 4320, 2880, 975, 255, 8, "SSTab1", 0},

    // Tab 1, "Test".
    ControlLayout{"Command2", 0, K::kButton, "Version Test", 840, 780, 1335, 375, 12, "SSTab1", 1},
    ControlLayout{"Command2", 1, K::kButton, "SMBus Test", 840, 1260, 1335, 375, 15, "SSTab1", 1},
    ControlLayout{"Command2", 2, K::kButton, "I2C Test", 840, 1740, 1335, 375, 17, "SSTab1", 1},
    ControlLayout{"Command2", 3, K::kButton, "SWB Test", 840, 2220, 1335, 375, 19, "SSTab1", 1},
    ControlLayout{"Command2", 4, K::kButton, "Run All", 840, 3120, 1335, 375, 21, "SSTab1", 1},
    ControlLayout{"Label6", 0, K::kLabel, "Status", 2760, 840, 975, 255, 14, "SSTab1", 1},
    ControlLayout{"Label6", 1, K::kLabel, "Status", 2760, 1320, 975, 255, 16, "SSTab1", 1},
    ControlLayout{"Label6", 2, K::kLabel, "Status", 2760, 1800, 975, 255, 18, "SSTab1", 1},
    ControlLayout{"Label6", 3, K::kLabel, "Status", 2760, 2280, 975, 255, 20, "SSTab1", 1},
    ControlLayout{"Label6", 4, K::kLabel, "Status", 2760, 3180, 975, 255, 13, "SSTab1", 1, A::kLeft,
                  F::kBold},
    ControlLayout{"Label5", 0, K::kLabel, "Label5", 3960, 780, 1455, 255, 23, "SSTab1", 1},
    ControlLayout{"Label5", 1, K::kLabel, "Label5", 3960, 1260, 1455, 255, 24, "SSTab1", 1},
    ControlLayout{"Label5", 2, K::kLabel, "Label5", 3960, 1740, 1455, 255, 25, "SSTab1", 1},
    ControlLayout{"Label5", 3, K::kLabel, "Label5", 3960, 2220, 1455, 255, 26, "SSTab1", 1},
    ControlLayout{"Label1", -1, K::kLabel, "Succeeded:", 5040, 2940, 975, 255, 10, "SSTab1", 1},
    ControlLayout{"Label3", -1, K::kLabel, "0", 5040, 3300, 975, 255, 11, "SSTab1", 1},

    // Tab 2, "SetUp".
    ControlLayout{"Command1", -1, K::kButton, "Configure Test Target", 2040, 1920, 1935, 375, 9,
                  "SSTab1", 2},

    // Tab 3, "Trim".
    ControlLayout{"StartTrim", -1, K::kButton, "Start", 240, 600, 975, 375, 31, "SSTab1", 3},
    ControlLayout{"Label12", -1, K::kLabel, "Trim SREC", 2520, 720, 975, 255, 38, "SSTab1", 3,
                  A::kRight},
    ControlLayout{"TrimFilePathAndName", -1, K::kTextBox, ".\\gxTrim.srec", 3720, 720, 2295, 285,
                  37, "SSTab1", 3},
    ControlLayout{"Label9", -1, K::kLabel, "Auto update controller firmware", 2880, 1080, 2775, 255,
                  41, "SSTab1", 3, A::kRight},
    ControlLayout{"AutoUpdate", -1, K::kCheckBox, "", 5760, 1080, 255, 255, 40, "SSTab1", 3},
    ControlLayout{"Frame3", -1, K::kFrame, "Frequency Adjust", 240, 1440, 5775, 1215, 32, "SSTab1",
                  3},
    ControlLayout{"Label8", -1, K::kLabel, "Current Trim Value: 0x", 360, 600, 2175, 255, 39,
                  "Frame3", -1, A::kRight},
    ControlLayout{"CurrentTrim", -1, K::kLabel, "", 2400, 600, 375, 255, 35, "Frame3", -1,
                  A::kRight},
    ControlLayout{"Label5", 4, K::kLabel, "1       8", 2880, 240, 615, 255, 36, "Frame3", -1},
    ControlLayout{"FineAdjust", -1, K::kVScrollBar, "", 2880, 480, 255, 375, 34, "Frame3", -1},
    ControlLayout{"GrossAdjust", -1, K::kVScrollBar, "", 3240, 480, 255, 375, 33, "Frame3", -1},
    ControlLayout{"Update", -1, K::kButton, "Update Trim", 3720, 2880, 1695, 495, 30, "SSTab1", 3},
    ControlLayout{"ReservedRow", -1, K::kTextBox, "", 240, 3000, 3255, 285, 29, "SSTab1", 3},
    ControlLayout{"RsvFlashRd", -1, K::kButton, "Read Trim", 3720, 3600, 1695, 255, 28, "SSTab1",
                  3},
};
}  // namespace

std::span<const ControlLayout> MainWindowLayout() {
  return kLayout;
}

std::string ControlKey(const std::string& name, int index) {
  if (index < 0) return name;
  return name + "(" + std::to_string(index) + ")";
}

int TwipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

}  // namespace halyard::ui
