#pragma once

#include <QIcon>
#include <QPixmap>
#include <map>
#include <tuple>
#include <utility>

namespace corvid::window::qt {

inline constexpr int BIG_ICON_PIXELS = 32;
inline constexpr int SMALL_ICON_PIXELS = 16;

// The program's pictures by resource id, at the screen's density, as the
// build drew them at 1x and 2x: icons as ":/corvid/icons/<id>-<pixels>.png"
// and "<id>-<pixels>@2x.png", bitmaps as ":/corvid/bitmaps/<id>.png" and
// "<id>@2x.png", or at 1x as bare pixels ("<id>.argb", see RawPicture.h). At
// any other density the 2x drawing is scaled. An unknown id gives a null
// pixmap. Pictures are kept, so a picture is made once per size and density.
class QtImages {
  public:
    // The icon at `pixels` logical pixels square, on a transparent ground.
    [[nodiscard]] QPixmap Icon(int iconId, int pixels);
    [[nodiscard]] QPixmap Icon(int iconId, int pixels, qreal ratio);
    // The icon in both its sizes, for window icons and list rows.
    [[nodiscard]] QIcon IconSet(int iconId);
    // The bitmap at its own size in logical pixels.
    [[nodiscard]] QPixmap Bitmap(int bitmapId);
    [[nodiscard]] QPixmap Bitmap(int bitmapId, qreal ratio);

  private:
    // Device pixels per logical pixel on the screen with the most.
    [[nodiscard]] static qreal ScreenRatio();

    std::map<std::tuple<int, int, qreal>, QPixmap> icons;
    std::map<std::pair<int, qreal>, QPixmap> bitmaps;
};

}  // namespace corvid::window::qt
