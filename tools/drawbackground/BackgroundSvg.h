#pragma once

#include <string>
#include <string_view>

#include "tools/drawbackground/BackgroundLayout.h"

namespace corvid::drawbackground {

// The picture is wider than the client area: the strip beyond its right edge
// carries decorative letters that the window never shows.
inline constexpr int PICTURE_WIDTH = 524;
inline constexpr int PICTURE_HEIGHT = 432;

// RGB(0, 255, 156), the flat green of every panel.
inline constexpr std::string_view PANEL_COLOUR = "#00FF9C";
inline constexpr int LABEL_FONT_SIZE = 11;

// The baseline that centres a label's capitals in its rectangle.
int LabelBaseline(const PixelRect& area);

// The picture as SVG text: the same layout always gives the same bytes.
std::string WriteBackgroundSvg(const BackgroundLayout& layout);

}  // namespace corvid::drawbackground
