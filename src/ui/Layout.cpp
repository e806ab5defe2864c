// The window's layout table: where each control of the registry sits.
#include "ui/Layout.h"

#include <array>
#include <cmath>

namespace halyard::ui {

namespace {
using A = Alignment;
using F = FontStyle;

constexpr std::array kLayout{
    // Title strip.
    ControlLayout{"TitleFrame", -1, 120, 120, 6255, 735, 0, "", -1},
    ControlLayout{"Label28", -1, 240, 240, 2895, 375, 1, "TitleFrame", -1, A::kLeft, F::kTitle},
    ControlLayout{"Ver", -1, 4320, 240, 1695, 255, 22, "TitleFrame", -1, A::kCentre},
    ControlLayout{"SSTab1", -1, 120, 960, 6255, 4095, 2, "", -1},

    // Tab 0, "Programming".
    ControlLayout{"Frame1", -1, 240, 840, 5655, 855, 3, "SSTab1", 0},
    ControlLayout{"SREC_Name", -1, 120, 360, 4215, 285, 5, "Frame1", -1},
    ControlLayout{"Program", -1, 4560, 360, 975, 255, 4, "Frame1", -1},
    ControlLayout{"Label7", -1, 4320, 1800, 1575, 255, 27, "SSTab1", 0},
    ControlLayout{"Label2", -1, 4320, 2520, 975, 255, 7, "SSTab1", 0},
    ControlLayout{"Label4", -1, 4320, 2880, 975, 255, 8, "SSTab1", 0},

    // Tab 1, "Test".
    ControlLayout{"Command2", 0, 840, 780, 1335, 375, 12, "SSTab1", 1},
    ControlLayout{"Command2", 1, 840, 1260, 1335, 375, 15, "SSTab1", 1},
    ControlLayout{"Command2", 2, 840, 1740, 1335, 375, 17, "SSTab1", 1},
    ControlLayout{"Command2", 3, 840, 2220, 1335, 375, 19, "SSTab1", 1},
    ControlLayout{"Command2", 4, 840, 3120, 1335, 375, 21, "SSTab1", 1},
    ControlLayout{"Label6", 0, 2760, 840, 975, 255, 14, "SSTab1", 1},
    ControlLayout{"Label6", 1, 2760, 1320, 975, 255, 16, "SSTab1", 1},
    ControlLayout{"Label6", 2, 2760, 1800, 975, 255, 18, "SSTab1", 1},
    ControlLayout{"Label6", 3, 2760, 2280, 975, 255, 20, "SSTab1", 1},
    ControlLayout{"Label6", 4, 2760, 3180, 975, 255, 13, "SSTab1", 1, A::kLeft, F::kBold},
    ControlLayout{"Label5", 0, 3960, 780, 1455, 255, 23, "SSTab1", 1},
    ControlLayout{"Label5", 1, 3960, 1260, 1455, 255, 24, "SSTab1", 1},
    ControlLayout{"Label5", 2, 3960, 1740, 1455, 255, 25, "SSTab1", 1},
    ControlLayout{"Label5", 3, 3960, 2220, 1455, 255, 26, "SSTab1", 1},
    ControlLayout{"Label1", -1, 5040, 2940, 975, 255, 10, "SSTab1", 1},
    ControlLayout{"Label3", -1, 5040, 3300, 975, 255, 11, "SSTab1", 1},

    // Tab 2, "SetUp".
    ControlLayout{"Command1", -1, 2040, 1920, 1935, 375, 9, "SSTab1", 2},

    // Tab 3, "Trim".
    ControlLayout{"StartTrim", -1, 240, 600, 975, 375, 31, "SSTab1", 3},
    ControlLayout{"Label12", -1, 2520, 720, 975, 255, 38, "SSTab1", 3, A::kRight},
    ControlLayout{"TrimFilePathAndName", -1, 3720, 720, 2295, 285, 37, "SSTab1", 3},
    ControlLayout{"Label9", -1, 2880, 1080, 2775, 255, 41, "SSTab1", 3, A::kRight},
    ControlLayout{"AutoUpdate", -1, 5760, 1080, 255, 255, 40, "SSTab1", 3},
    ControlLayout{"Frame3", -1, 240, 1440, 5775, 1215, 32, "SSTab1", 3},
    ControlLayout{"Label8", -1, 360, 600, 2175, 255, 39, "Frame3", -1, A::kRight},
    ControlLayout{"CurrentTrim", -1, 2400, 600, 375, 255, 35, "Frame3", -1, A::kRight},
    ControlLayout{"Label5", 4, 2880, 240, 615, 255, 36, "Frame3", -1},
    ControlLayout{"FineAdjust", -1, 2880, 480, 255, 375, 34, "Frame3", -1},
    ControlLayout{"GrossAdjust", -1, 3240, 480, 255, 375, 33, "Frame3", -1},
    ControlLayout{"Update", -1, 3720, 2880, 1695, 495, 30, "SSTab1", 3},
    ControlLayout{"ReservedRow", -1, 240, 3000, 3255, 285, 29, "SSTab1", 3},
    ControlLayout{"RsvFlashRd", -1, 3720, 3600, 1695, 255, 28, "SSTab1", 3},
};
}  // namespace

std::span<const ControlLayout> MainWindowLayout() {
  return kLayout;
}

int TwipsToPixels(int twips, double dpi) {
  return static_cast<int>(std::lround(twips * dpi / kTwipsPerInch));
}

}  // namespace halyard::ui
