// The station's 32-bit colours (0x00BBGGRR, bit 31 naming a system colour) as Qt colours.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace halyard::ui {

// The text of a failed verdict: the status line's and the records view's.
inline const QColor kFailText(0xC0, 0x00, 0x00);

// System colours come from `palette`, the nearest role to each (see Colors.cpp).
QColor ToQColor(uint32_t value, const QPalette& palette);

}  // namespace halyard::ui
