#include "res/NamesChooserTemplate.h"

#include <array>

#include "res/ControlIds.h"
#include "res/DialogLook.h"

namespace corvid::res {

namespace {

using window::ControlKind;
using window::ControlStyle;
using window::ControlTemplate;

constexpr ControlStyle BUTTON = ControlStyle::GROUP | ControlStyle::TAB_STOP;

constexpr std::array CHOOSER_CONTROLS{
    ControlTemplate{UNADDRESSED_CONTROL_ID, ControlKind::STATIC_TEXT,
                    "This disc is on several releases. Choose the one you have:", 7, 7, 306, 9,
                    ControlStyle::ALIGN_LEFT},
    ControlTemplate{RELEASE_LIST, ControlKind::LIST_VIEW, "Releases", 7, 19, 306, 110,
                    ControlStyle::BORDER | ControlStyle::REPORT | ControlStyle::SINGLE_SELECTION |
                        ControlStyle::SHOW_SELECTION_ALWAYS | ControlStyle::NO_SORT_HEADER |
                        ControlStyle::TAB_STOP},
    ControlTemplate{IDOK, ControlKind::PUSH_BUTTON, "OK", 205, 136, 50, 14,
                    BUTTON | ControlStyle::DEFAULT_BUTTON},
    ControlTemplate{IDCANCEL, ControlKind::PUSH_BUTTON, "Cancel", 263, 136, 50, 14, BUTTON},
};

}  // namespace

const window::DialogTemplate NAMES_CHOOSER_DIALOG{
    .id = NAMES_CHOOSER_DIALOG_ID,
    .caption = "Find names online",
    .width = 320,
    .height = 157,
    .style = MODAL_BOX_STYLE,
    .font = DIALOG_FONT,
    .controls = CHOOSER_CONTROLS,
};

}  // namespace corvid::res
