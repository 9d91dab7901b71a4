#pragma once

#include <QIcon>
#include <QPixmap>
#include <map>
#include <utility>

namespace corvid::window::qt {

inline constexpr int BIG_ICON_PIXELS = 32;
inline constexpr int SMALL_ICON_PIXELS = 16;

// The program's pictures by resource id, drawn from the SVG files compiled in
// under ":/corvid/icons/<id>.svg" and ":/corvid/bitmaps/<id>.svg". An unknown
// id gives a null pixmap. Rendered pictures are kept, so a picture is drawn
// once per size.
class QtImages {
  public:
    // The icon at `pixels` square, on a transparent ground.
    [[nodiscard]] QPixmap Icon(int iconId, int pixels);
    // The icon in both its sizes, for window icons and list rows.
    [[nodiscard]] QIcon IconSet(int iconId);
    // The bitmap at its own size.
    [[nodiscard]] QPixmap Bitmap(int bitmapId);

  private:
    std::map<std::pair<int, int>, QPixmap> icons;
    std::map<int, QPixmap> bitmaps;
};

}  // namespace corvid::window::qt
