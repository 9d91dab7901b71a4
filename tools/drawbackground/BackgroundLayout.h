#pragma once

#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "platform/window/DialogTemplate.h"
#include "res/PlayerDialogTemplate.h"

namespace corvid::drawbackground {

// Where the background picture of the player window puts its green panels and
// painted labels, worked out from the dialog template so that the picture
// always matches the controls it lies behind.

// A rectangle in logical pixels of the window's client area.
struct PixelRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;

    int Right() const { return left + width; }
    int Bottom() const { return top + height; }
    bool operator==(const PixelRect&) const = default;
};

bool Contains(const PixelRect& outer, const PixelRect& inner);
bool Overlap(const PixelRect& first, const PixelRect& second);

// The pixels a control covers at the reference dialog base units (6 x 13
// pixels: 1.5 across and 1.625 down per dialog unit). Each value is mapped on
// its own and rounded half away from zero, as the window adapter maps them.
PixelRect ControlPixels(const window::ControlTemplate& control);
PixelRect ClientPixels(const window::DialogTemplate& dialog);

// A group of controls that share one panel: controls by id, hidden labels by
// their text.
struct PanelGroup {
    std::string_view name;
    std::span<const int> controlIds;
    std::span<const std::string_view> labelTexts;
};

// A hidden label of the template and the word the picture paints in its place.
using LabelWord = res::PaintedLabel;

std::span<const PanelGroup> PlayerPanelGroups();
std::span<const LabelWord> PlayerLabelWords();

// How far a panel reaches beyond the controls of its group, on every side.
inline constexpr int PANEL_MARGIN = 2;

struct Panel {
    std::string_view name;
    PixelRect area;
};

struct PaintedLabel {
    std::string_view word;
    PixelRect area;  // the hidden label's rectangle
};

struct BackgroundLayout {
    PixelRect client;
    std::vector<Panel> panels;  // in the order of PlayerPanelGroups()
    std::vector<PaintedLabel> labels;
};

// A control or label that the groups name but the template lacks.
struct LayoutError {
    std::string text;
};

using LayoutOrError = std::variant<BackgroundLayout, LayoutError>;

LayoutOrError ComputeLayout(const window::DialogTemplate& dialog);

}  // namespace corvid::drawbackground
