#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvid::window {

// A dialog's layout as plain data. The adapters build their widgets from it;
// positions and sizes are in dialog units, which an adapter maps to pixels
// through its dialog base units.

// What a control is. The adapter picks its widget from this alone.
enum class ControlKind {
    PUSH_BUTTON,
    CHECK_BOX,
    GROUP_BOX,
    EDIT,
    STATIC_TEXT,
    PICTURE,  // a static showing a bitmap resource
    SCROLL_BAR,
    UP_DOWN,
    LIST_VIEW,
};

// Style flags of a control. Each flag applies to the kinds its comment names.
enum class ControlStyle : std::uint32_t {
    NONE = 0,
    // Any kind.
    HIDDEN = 1u << 0,
    TAB_STOP = 1u << 1,
    GROUP = 1u << 2,
    BORDER = 1u << 3,
    // Buttons.
    DEFAULT_BUTTON = 1u << 4,
    AUTO_CHECK = 1u << 5,
    PUSH_LIKE = 1u << 6,
    // Edits.
    AUTO_HORIZONTAL_SCROLL = 1u << 7,
    NUMBER = 1u << 8,
    // Statics.
    ALIGN_LEFT = 1u << 9,
    ALIGN_CENTER = 1u << 10,
    SUNKEN = 1u << 11,
    NOTIFY = 1u << 12,
    NO_PREFIX = 1u << 13,
    // Scroll bars.
    HORIZONTAL = 1u << 14,
    // Up-downs. With AUTO_BUDDY the buddy is the control just before in
    // template order.
    WRAP = 1u << 15,
    ALIGN_RIGHT = 1u << 16,
    AUTO_BUDDY = 1u << 17,
    ARROW_KEYS = 1u << 18,
    // List views.
    REPORT = 1u << 19,
    SINGLE_SELECTION = 1u << 20,
    SHOW_SELECTION_ALWAYS = 1u << 21,
    NO_SORT_HEADER = 1u << 22,
};

constexpr ControlStyle operator|(ControlStyle left, ControlStyle right) {
    return static_cast<ControlStyle>(static_cast<std::uint32_t>(left) |
                                     static_cast<std::uint32_t>(right));
}

constexpr bool HasStyle(ControlStyle styles, ControlStyle flag) {
    return (static_cast<std::uint32_t>(styles) & static_cast<std::uint32_t>(flag)) != 0;
}

// Style flags of the dialog window itself.
enum class DialogStyle : std::uint32_t {
    NONE = 0,
    POPUP = 1u << 0,
    VISIBLE = 1u << 1,
    CAPTION = 1u << 2,
    SYSTEM_MENU = 1u << 3,
    MINIMIZE_BOX = 1u << 4,
    MAXIMIZE_BOX = 1u << 5,
    MODAL_FRAME = 1u << 6,
    SET_FONT = 1u << 7,
    THREE_D_LOOK = 1u << 8,
    SET_FOREGROUND = 1u << 9,
    APP_WINDOW = 1u << 10,  // its own button on the task bar
};

constexpr DialogStyle operator|(DialogStyle left, DialogStyle right) {
    return static_cast<DialogStyle>(static_cast<std::uint32_t>(left) |
                                    static_cast<std::uint32_t>(right));
}

constexpr bool HasStyle(DialogStyle styles, DialogStyle flag) {
    return (static_cast<std::uint32_t>(styles) & static_cast<std::uint32_t>(flag)) != 0;
}

// The common id of controls the program never addresses.
inline constexpr int UNADDRESSED_CONTROL_ID = -1;

struct ControlTemplate {
    int id = UNADDRESSED_CONTROL_ID;
    ControlKind kind = ControlKind::STATIC_TEXT;
    std::string_view text;  // caption or initial text
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    ControlStyle style = ControlStyle::NONE;
    int imageId = 0;  // the bitmap a PICTURE shows; 0 for every other kind
    // What a screen reader calls the control where its caption says nothing
    // to a listener: a field's painted label, a picture caption such as "|<",
    // a status field. Empty: the caption is the name.
    std::string_view accessibleName{};
};

struct DialogFont {
    std::string_view name;
    int pointSize = 0;
};

// The controls are in template order, which is also the tab and Z order.
struct DialogTemplate {
    int id = 0;
    std::string_view caption;
    int width = 0;
    int height = 0;
    DialogStyle style = DialogStyle::NONE;
    DialogFont font;
    std::span<const ControlTemplate> controls;
    // The tab stops' ids in the order Tab visits them, when that is not the
    // template order.
    std::span<const int> tabOrder{};
};

// The name a screen reader gives the control.
inline std::string_view AccessibleName(const ControlTemplate& control) {
    return control.accessibleName.empty() ? control.text : control.accessibleName;
}

// The names of an up-down's two arrows, from the up-down's own name.
inline std::string ArrowAccessibleName(std::string_view upDownName, bool up) {
    return std::string(upDownName) + (up ? " up" : " down");
}

// What a screen reader says for a list row: its name, then its time.
inline std::string RowAccessibleText(std::string_view name, std::string_view time) {
    return time.empty() ? std::string(name) : std::string(name) + ", " + std::string(time);
}

// The ids of the tab stops in the order Tab visits them.
inline std::vector<int> TabStopOrder(const DialogTemplate& layout) {
    if (!layout.tabOrder.empty()) {
        return {layout.tabOrder.begin(), layout.tabOrder.end()};
    }
    std::vector<int> order;
    for (const ControlTemplate& control : layout.controls) {
        if (HasStyle(control.style, ControlStyle::TAB_STOP)) {
            order.push_back(control.id);
        }
    }
    return order;
}

}  // namespace corvid::window
