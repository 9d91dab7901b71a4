#include "tools/drawbackground/BackgroundLayout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

#include "res/ControlIds.h"

namespace corvid::drawbackground {

namespace {

using window::ControlKind;
using window::ControlTemplate;
using window::DialogTemplate;

constexpr std::array STATUS_STRIP_IDS{res::STATUS_TEXT, res::POSITION_TEXT, res::SUBTRACK_TEXT};
constexpr std::array POSITION_ROW_IDS{res::PREVIOUS_TRACK_BUTTON, res::POSITION_SCROLL_BAR,
                                      res::NEXT_TRACK_BUTTON};
constexpr std::array ALBUM_AREA_IDS{res::ALBUM_EDIT, res::ARTIST_EDIT};
constexpr std::array<std::string_view, 2> ALBUM_AREA_LABELS{"Album", "Artist/Group"};
constexpr std::array TRANSPORT_IDS{res::PLAY_STOP_BUTTON, res::EJECT_BUTTON, res::INJECT_BUTTON,
                                   res::VOLUME_SPIN, res::ABOUT_BUTTON};
constexpr std::array TRACK_LIST_IDS{res::TRACK_LIST};
constexpr std::array EDITOR_ROW_IDS{res::NAME_EDIT,   res::MINUTE_EDIT,   res::MINUTE_SPIN,
                                    res::SECOND_EDIT, res::SECOND_SPIN,   res::FRAME_EDIT,
                                    res::FRAME_SPIN,  res::REPEAT_TOGGLE, res::UPDATE_BUTTON};
constexpr std::array<std::string_view, 4> EDITOR_ROW_LABELS{"Name of Track/Subtrack", "Min", "Sec",
                                                            "Frame"};
constexpr std::array BOTTOM_BUTTON_IDS{res::INSERT_SUBTRACK_BUTTON, res::DELETE_SUBTRACK_BUTTON,
                                       res::LOAD_TRACKS_BUTTON, res::SAVE_TRACKS_BUTTON};

const std::array<PanelGroup, 7> PLAYER_PANEL_GROUPS{{
    {"status-strip", STATUS_STRIP_IDS, {}},
    {"position-row", POSITION_ROW_IDS, {}},
    {"album-area", ALBUM_AREA_IDS, ALBUM_AREA_LABELS},
    {"transport", TRANSPORT_IDS, {}},
    {"track-list", TRACK_LIST_IDS, {}},
    {"editor-row", EDITOR_ROW_IDS, EDITOR_ROW_LABELS},
    {"bottom-buttons", BOTTOM_BUTTON_IDS, {}},
}};

int HorizontalPixels(int units) {
    return static_cast<int>(std::lround(units * 6 / 4.0));
}
int VerticalPixels(int units) {
    return static_cast<int>(std::lround(units * 13 / 8.0));
}

PixelRect BoundingBox(const PixelRect& first, const PixelRect& second) {
    const int left = std::min(first.left, second.left);
    const int top = std::min(first.top, second.top);
    const int right = std::max(first.Right(), second.Right());
    const int bottom = std::max(first.Bottom(), second.Bottom());
    return {left, top, right - left, bottom - top};
}

PixelRect Grown(const PixelRect& area, int margin) {
    return {area.left - margin, area.top - margin, area.width + 2 * margin,
            area.height + 2 * margin};
}

const ControlTemplate* FindControl(const DialogTemplate& dialog, int id) {
    const auto found = std::ranges::find(dialog.controls, id, &ControlTemplate::id);
    return found == dialog.controls.end() ? nullptr : &*found;
}

const ControlTemplate* FindLabel(const DialogTemplate& dialog, std::string_view text) {
    const auto found =
        std::ranges::find_if(dialog.controls, [text](const ControlTemplate& control) {
            return control.id == window::UNADDRESSED_CONTROL_ID &&
                   control.kind == ControlKind::STATIC_TEXT && control.text == text;
        });
    return found == dialog.controls.end() ? nullptr : &*found;
}

std::string Named(const DialogTemplate& dialog, std::string_view what) {
    return "dialog template " + std::to_string(dialog.id) + ": " + std::string(what);
}

// The members' bounding box, or the member the template lacks.
std::variant<PixelRect, LayoutError> GroupBox(const DialogTemplate& dialog,
                                              const PanelGroup& group) {
    std::optional<PixelRect> box;
    const auto include = [&box](const ControlTemplate& control) {
        const PixelRect area = ControlPixels(control);
        box = box ? BoundingBox(*box, area) : area;
    };
    for (const int id : group.controlIds) {
        const ControlTemplate* control = FindControl(dialog, id);
        if (control == nullptr) {
            return LayoutError{Named(dialog, "has no control " + std::to_string(id) +
                                                 " for the panel " + std::string(group.name))};
        }
        include(*control);
    }
    for (const std::string_view text : group.labelTexts) {
        const ControlTemplate* label = FindLabel(dialog, text);
        if (label == nullptr) {
            return LayoutError{Named(dialog, "has no label \"" + std::string(text) +
                                                 "\" for the panel " + std::string(group.name))};
        }
        include(*label);
    }
    if (!box) {
        return LayoutError{Named(dialog, "the panel " + std::string(group.name) + " is empty")};
    }
    return *box;
}

}  // namespace

bool Contains(const PixelRect& outer, const PixelRect& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.Right() <= outer.Right() &&
           inner.Bottom() <= outer.Bottom();
}

bool Overlap(const PixelRect& first, const PixelRect& second) {
    return first.left < second.Right() && second.left < first.Right() &&
           first.top < second.Bottom() && second.top < first.Bottom();
}

PixelRect ControlPixels(const ControlTemplate& control) {
    return {HorizontalPixels(control.x), VerticalPixels(control.y), HorizontalPixels(control.width),
            VerticalPixels(control.height)};
}

PixelRect ClientPixels(const DialogTemplate& dialog) {
    return {0, 0, HorizontalPixels(dialog.width), VerticalPixels(dialog.height)};
}

std::span<const PanelGroup> PlayerPanelGroups() {
    return PLAYER_PANEL_GROUPS;
}

std::span<const LabelWord> PlayerLabelWords() {
    return res::PlayerPaintedLabels();
}

LayoutOrError ComputeLayout(const DialogTemplate& dialog) {
    BackgroundLayout layout{.client = ClientPixels(dialog), .panels = {}, .labels = {}};
    for (const PanelGroup& group : PLAYER_PANEL_GROUPS) {
        auto box = GroupBox(dialog, group);
        if (auto* error = std::get_if<LayoutError>(&box)) {
            return std::move(*error);
        }
        layout.panels.push_back({group.name, Grown(std::get<PixelRect>(box), PANEL_MARGIN)});
    }
    for (const LabelWord& labelWord : PlayerLabelWords()) {
        const ControlTemplate* label = FindLabel(dialog, labelWord.labelText);
        if (label == nullptr) {
            return LayoutError{
                Named(dialog, "has no label \"" + std::string(labelWord.labelText) + "\"")};
        }
        layout.labels.push_back({labelWord.word, ControlPixels(*label)});
    }
    return layout;
}

}  // namespace corvid::drawbackground
