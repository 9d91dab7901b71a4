#include "res/AboutDialogTemplate.h"

#include <array>

#include "res/ControlIds.h"
#include "res/DialogLook.h"

namespace corvid::res {

namespace {

using window::ControlKind;
using window::ControlStyle;
using window::ControlTemplate;

constexpr ControlStyle LINE = ControlStyle::ALIGN_CENTER | ControlStyle::GROUP;

constexpr std::array ABOUT_CONTROLS{
    // The picture control takes the bitmap's own size, 128 x 128 pixels.
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::PICTURE, "", 66, 18, 87, 80,
                    ControlStyle::BORDER, ABOUT_BITMAP_ID, "Corvid Player picture"},
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::STATIC_TEXT,
                    "Corvid Player Version 1.08, 2 Sep 2000", 7, 101, 209, 8,
                    LINE | ControlStyle::NO_PREFIX},
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::STATIC_TEXT,
                    "Free software under the GNU GPL, version 3 or later.", 7, 126, 209, 8, LINE},
    ControlTemplate{IDOK, ControlKind::PUSH_BUTTON, "Happy?", 92, 173, 32, 14,
                    ControlStyle::DEFAULT_BUTTON | ControlStyle::GROUP | ControlStyle::TAB_STOP},
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::STATIC_TEXT,
                    "Corvid Player, an audio CD player for the Linux desktop.", 7, 111, 209, 8,
                    LINE},
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::STATIC_TEXT,
                    "libsndfile, WavPack, uchardet and PulseAudio.", 7, 152, 209, 8, LINE},
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::STATIC_TEXT,
                    "Made with Qt 6, libcdio and libcdio-paranoia,", 7, 136, 209, 8, LINE},
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::GROUP_BOX, "", 7, 7, 209, 160},
};

}  // namespace

const window::DialogTemplate ABOUT_DIALOG{
    .id = ABOUT_DIALOG_ID,
    .caption = "About Corvid Player",
    .width = 223,
    .height = 192,
    .style = MODAL_BOX_STYLE,
    .font = DIALOG_FONT,
    .controls = ABOUT_CONTROLS,
};

}  // namespace corvid::res
