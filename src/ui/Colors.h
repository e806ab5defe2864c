// The station's 32-bit colours (0x00BBGGRR, bit 31 naming a system colour) as Qt colours.
#pragma once

#include <QColor>
#include <QPalette>
#include <cstdint>

namespace halyard::ui {

// System colours come from `palette`, the nearest role to each (see Colors.cpp).
QColor ToQColor(uint32_t value, const QPalette& palette);

}  // namespace halyard::ui
