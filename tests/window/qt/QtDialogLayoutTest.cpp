#include <gmock/gmock.h>

#include <QImage>
#include <QLabel>
#include <QLineEdit>

#include "platform/qt/DialogUnits.h"
#include "platform/qt/QtImages.h"
#include "res/AboutDialogTemplate.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/window/contract/RecordingHandler.h"
#include "tests/window/qt/QtContractDriver.h"

namespace corvid::window::qt {
namespace {

using contract::RecordingHandler;

struct PlacedControl {
    const char* name;
    int id;
    QRect pixels;
};

// The three position spinners sit on the right end of their fields, 15 and 17
// pixels wide, and the fields give up that much of their width.
const PlacedControl PLAYER_PLACES[] = {
    {"AlbumField", res::ALBUM_EDIT, QRect(74, 54, 239, 20)},
    {"NameField", res::NAME_EDIT, QRect(8, 371, 239, 20)},
    {"MinuteFieldNarrowed", res::MINUTE_EDIT, QRect(249, 371, 20, 20)},
    {"MinuteSpinOnItsRight", res::MINUTE_SPIN, QRect(269, 371, 15, 20)},
    {"SecondFieldNarrowed", res::SECOND_EDIT, QRect(285, 371, 18, 20)},
    {"SecondSpinOnItsRight", res::SECOND_SPIN, QRect(303, 371, 17, 20)},
    {"FrameFieldNarrowed", res::FRAME_EDIT, QRect(321, 371, 18, 20)},
    {"FrameSpinOnItsRight", res::FRAME_SPIN, QRect(339, 371, 17, 20)},
    {"RepeatToggle", res::REPEAT_TOGGLE, QRect(360, 356, 53, 16)},
    {"UpdateButton", res::UPDATE_BUTTON, QRect(360, 372, 53, 21)},
    {"PositionBar", res::POSITION_SCROLL_BAR, QRect(26, 31, 372, 16)},
    {"VolumeSpinKeepsItsOwnPlace", res::VOLUME_SPIN, QRect(399, 55, 17, 26)},
    {"StatusText", res::STATUS_TEXT, QRect(9, 10, 107, 16)},
    {"TrackList", res::TRACK_LIST, QRect(9, 104, 405, 245)},
};

TEST(QtDialogLayout, PlayerControlsSitAtTheReferencePixels) {
    QtContractDriver driver;
    RecordingHandler handler;
    ASSERT_NE(driver.Open(res::PLAYER_DIALOG, handler), nullptr);

    EXPECT_EQ(driver.Current().size(), QSize(423, 431));
    for (const PlacedControl& place : PLAYER_PLACES) {
        SCOPED_TRACE(place.name);
        EXPECT_EQ(driver.WidgetOf(place.id).geometry(), place.pixels);
    }
}

TEST(QtDialogLayout, EveryControlOutsideTheSpinnersTakesItsTemplateRectangle) {
    QtContractDriver driver;
    RecordingHandler handler;
    ASSERT_NE(driver.Open(res::PLAYER_DIALOG, handler), nullptr);
    const auto& controls = driver.Current().AllControls();
    ASSERT_EQ(controls.size(), res::PLAYER_DIALOG.controls.size());

    for (std::size_t index = 0; index < controls.size(); ++index) {
        const ControlTemplate& control = res::PLAYER_DIALOG.controls[index];
        SCOPED_TRACE(std::string(control.text) + " " + std::to_string(control.id));
        const QWidget& widget = controls[index]->Widget();
        EXPECT_EQ(widget.isVisibleTo(&driver.Current()),
                  !HasStyle(control.style, ControlStyle::HIDDEN));
        const bool besideSpinner =
            control.kind == ControlKind::UP_DOWN ||
            (index + 1 < controls.size() &&
             HasStyle(res::PLAYER_DIALOG.controls[index + 1].style, ControlStyle::AUTO_BUDDY));
        if (!besideSpinner || control.id == res::VOLUME_SPIN) {
            EXPECT_EQ(widget.geometry(), ControlRect(control));
        }
    }
}

TEST(QtDialogLayout, AboutPictureTakesItsBitmapsSizeInsideItsBorder) {
    QtContractDriver driver;
    RecordingHandler handler;
    ASSERT_NE(driver.Open(res::ABOUT_DIALOG, handler), nullptr);

    const QWidget& picture = driver.Current().AllControls().front()->Widget();
    EXPECT_EQ(picture.geometry(), QRect(99, 29, 130, 130));
    EXPECT_EQ(driver.Current().size(), QSize(335, 312));
}

TEST(QtDialogLayout, SunkenStaticsHaveASunkenFrameAndTextsStayPlain) {
    QtContractDriver driver;
    RecordingHandler handler;
    DialogWindow* window = driver.Open(res::PLAYER_DIALOG, handler);
    ASSERT_NE(window, nullptr);
    auto& status = dynamic_cast<QLabel&>(driver.WidgetOf(res::STATUS_TEXT));

    window->GetStatic(res::STATUS_TEXT)->SetText("<b>Rock & Roll</b>");

    EXPECT_EQ(status.frameShadow(), QFrame::Sunken);
    EXPECT_EQ(status.textFormat(), Qt::PlainText);
    EXPECT_EQ(window->GetStatic(res::STATUS_TEXT)->Text(), "<b>Rock & Roll</b>");
}

struct ImageCase {
    const char* name;
    int id;
    bool icon;
    QSize size;
};

const ImageCase IMAGE_CASES[] = {
    {"ProgramIconBig", 128, true, QSize(32, 32)},
    {"ProgramIconSmall", 128, true, QSize(16, 16)},
    {"TrackRow", 130, true, QSize(16, 16)},
    {"SubtrackRow", 131, true, QSize(16, 16)},
    {"CurrentSubtrackRow", 134, true, QSize(16, 16)},
    {"CurrentTrackRow", 139, true, QSize(16, 16)},
    {"Background", 151, false, QSize(524, 432)},
    {"AboutPicture", 133, false, QSize(128, 128)},
};

TEST(QtImages, EveryPictureIsCompiledInAtItsSize) {
    QtImages images;
    for (const ImageCase& image : IMAGE_CASES) {
        SCOPED_TRACE(image.name);
        const QPixmap pixmap =
            image.icon ? images.Icon(image.id, image.size.width()) : images.Bitmap(image.id);
        EXPECT_EQ(pixmap.size(), image.size);
    }
    EXPECT_TRUE(images.Bitmap(999).isNull());
    EXPECT_TRUE(images.Icon(999, 16).isNull());
}

TEST(QtImages, EveryPictureComesAtTheDensityOfTheScreen) {
    QtImages images;
    // 1x and 2x as the build drew them; 1.5x (a scaled desktop) from the 2x.
    for (const qreal ratio : {1.0, 1.5, 2.0}) {
        for (const ImageCase& image : IMAGE_CASES) {
            SCOPED_TRACE(std::string(image.name) + " at " + std::to_string(ratio));
            const QPixmap pixmap = image.icon ? images.Icon(image.id, image.size.width(), ratio)
                                              : images.Bitmap(image.id, ratio);
            ASSERT_FALSE(pixmap.isNull());
            EXPECT_EQ(pixmap.devicePixelRatio(), ratio);
            EXPECT_EQ(pixmap.width(), static_cast<int>(std::ceil(image.size.width() * ratio)));
            EXPECT_EQ(pixmap.height(), static_cast<int>(std::ceil(image.size.height() * ratio)));
            EXPECT_EQ(pixmap.deviceIndependentSize().toSize(), image.size);
        }
    }
    // The scaled icon is the 2x drawing made smaller, not a blank.
    const QImage scaled = images.Icon(130, SMALL_ICON_PIXELS, 1.5).toImage();
    EXPECT_EQ(qAlpha(scaled.pixel(0, 0)), 0);
    EXPECT_GT(qAlpha(scaled.pixel(12, 12)), 0);
}

TEST(QtImages, RowIconsStandOnATransparentGround) {
    QtImages images;
    for (const int id : {130, 131, 134, 139}) {
        SCOPED_TRACE(id);
        const QImage icon = images.Icon(id, SMALL_ICON_PIXELS).toImage();
        EXPECT_EQ(qAlpha(icon.pixel(0, 0)), 0);
        EXPECT_GT(qAlpha(icon.pixel(8, 8)), 0);
    }
}

}  // namespace
}  // namespace corvid::window::qt
