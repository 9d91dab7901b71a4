#pragma once

#include <QRect>
#include <QSize>
#include <cmath>

#include "platform/window/DialogTemplate.h"

namespace corvid::window::qt {

// The reference dialog base units, 6 x 13 pixels: a dialog unit is 1.5 logical
// pixels across and 1.625 down. Each value is mapped on its own and rounded
// half away from zero, as Windows maps a template.
inline int HorizontalPixels(int units) {
    return static_cast<int>(std::lround(units * 6 / 4.0));
}
inline int VerticalPixels(int units) {
    return static_cast<int>(std::lround(units * 13 / 8.0));
}

inline QRect ControlRect(const ControlTemplate& control) {
    return QRect(HorizontalPixels(control.x), VerticalPixels(control.y),
                 HorizontalPixels(control.width), VerticalPixels(control.height));
}

inline QSize ClientSize(const DialogTemplate& layout) {
    return QSize(HorizontalPixels(layout.width), VerticalPixels(layout.height));
}

}  // namespace corvid::window::qt
