#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <string>
#include <vector>

#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tools/drawbackground/BackgroundLayout.h"
#include "tools/drawbackground/BackgroundSvg.h"

namespace corvid::drawbackground {
namespace {

using window::ControlTemplate;
using window::DialogTemplate;

BackgroundLayout PlayerLayout() {
    LayoutOrError layout = ComputeLayout(res::PLAYER_DIALOG);
    if (auto* error = std::get_if<LayoutError>(&layout)) {
        ADD_FAILURE() << error->text;
        return {};
    }
    return std::get<BackgroundLayout>(std::move(layout));
}

std::string Describe(const PixelRect& area) {
    return "(" + std::to_string(area.left) + ", " + std::to_string(area.top) + ", " +
           std::to_string(area.width) + " x " + std::to_string(area.height) + ")";
}

// Every control of the window that a panel belongs behind, by the panel's name.
std::vector<std::pair<std::string_view, const ControlTemplate*>> GroupMembers() {
    std::vector<std::pair<std::string_view, const ControlTemplate*>> members;
    for (const ControlTemplate& control : res::PLAYER_DIALOG.controls) {
        for (const PanelGroup& group : PlayerPanelGroups()) {
            const bool byId = std::ranges::count(group.controlIds, control.id) > 0;
            const bool byText = control.id == window::UNADDRESSED_CONTROL_ID &&
                                std::ranges::count(group.labelTexts, control.text) > 0;
            if (byId || byText) {
                members.emplace_back(group.name, &control);
            }
        }
    }
    return members;
}

TEST(BackgroundLayout, EveryControlSitsInsideItsOnePanel) {
    const BackgroundLayout layout = PlayerLayout();
    ASSERT_EQ(layout.panels.size(), PlayerPanelGroups().size());
    const auto members = GroupMembers();
    // The groups cover the whole window, hidden labels included, each control once.
    EXPECT_EQ(members.size(), res::PLAYER_DIALOG.controls.size());
    for (const ControlTemplate& control : res::PLAYER_DIALOG.controls) {
        EXPECT_EQ(
            std::ranges::count(members, &control, [](const auto& member) { return member.second; }),
            1)
            << "control " << control.id << " \"" << control.text << "\"";
    }
    for (const auto& [name, control] : members) {
        const auto panel = std::ranges::find(layout.panels, name, &Panel::name);
        ASSERT_NE(panel, layout.panels.end()) << name;
        const PixelRect area = ControlPixels(*control);
        EXPECT_TRUE(Contains(panel->area, area))
            << "control " << control->id << " \"" << control->text << "\" " << Describe(area)
            << " outside the panel " << name << " " << Describe(panel->area);
    }
}

TEST(BackgroundLayout, PanelsStayApartAndInsideTheClientArea) {
    const BackgroundLayout layout = PlayerLayout();
    EXPECT_EQ(layout.client, (PixelRect{0, 0, 423, 431}));
    for (std::size_t first = 0; first < layout.panels.size(); ++first) {
        const Panel& panel = layout.panels[first];
        EXPECT_TRUE(Contains(layout.client, panel.area)) << panel.name;
        for (std::size_t second = first + 1; second < layout.panels.size(); ++second) {
            EXPECT_FALSE(Overlap(panel.area, layout.panels[second].area))
                << panel.name << " " << Describe(panel.area) << " and "
                << layout.panels[second].name << " " << Describe(layout.panels[second].area);
        }
    }
}

TEST(BackgroundLayout, PanelsFollowTheControlsWhenTheTemplateChanges) {
    std::vector<ControlTemplate> controls(res::PLAYER_DIALOG.controls.begin(),
                                          res::PLAYER_DIALOG.controls.end());
    const auto list = std::ranges::find(controls, res::TRACK_LIST, &ControlTemplate::id);
    list->y += 4;
    list->height -= 8;
    DialogTemplate moved = res::PLAYER_DIALOG;
    moved.controls = controls;

    const LayoutOrError layout = ComputeLayout(moved);
    ASSERT_TRUE(std::holds_alternative<BackgroundLayout>(layout));
    const auto& panels = std::get<BackgroundLayout>(layout).panels;
    const auto panel = std::ranges::find(panels, "track-list", &Panel::name);
    ASSERT_NE(panel, panels.end());
    const PixelRect area = ControlPixels(*list);
    EXPECT_EQ(panel->area,
              (PixelRect{area.left - PANEL_MARGIN, area.top - PANEL_MARGIN,
                         area.width + 2 * PANEL_MARGIN, area.height + 2 * PANEL_MARGIN}));
}

TEST(BackgroundLayout, AMissingMemberIsAnErrorThatNamesIt) {
    struct Case {
        int removedId;
        std::string_view removedText;
        std::string expected;
    };
    const std::vector<Case> cases{
        {res::VOLUME_SPIN, "", "no control 1031 for the panel transport"},
        {window::UNADDRESSED_CONTROL_ID, "Sec", "no label \"Sec\" for the panel editor-row"},
    };
    for (const Case& testCase : cases) {
        std::vector<ControlTemplate> controls;
        std::ranges::copy_if(
            res::PLAYER_DIALOG.controls, std::back_inserter(controls),
            [&testCase](const ControlTemplate& control) {
                return control.id != testCase.removedId ||
                       (!testCase.removedText.empty() && control.text != testCase.removedText);
            });
        DialogTemplate broken = res::PLAYER_DIALOG;
        broken.controls = controls;
        const LayoutOrError layout = ComputeLayout(broken);
        ASSERT_TRUE(std::holds_alternative<LayoutError>(layout)) << testCase.expected;
        EXPECT_NE(std::get<LayoutError>(layout).text.find(testCase.expected), std::string::npos)
            << std::get<LayoutError>(layout).text;
    }
}

struct SvgRect {
    std::string id;
    PixelRect area;
    std::string fill;
};

std::vector<SvgRect> IdentifiedRects(const std::string& svg) {
    static const std::regex pattern(
        R"re(<rect id="([^"]+)" x="(-?\d+)" y="(-?\d+)" width="(\d+)" height="(\d+)" rx="\d+" fill="([^"]+)"/>)re");
    std::vector<SvgRect> rects;
    for (auto match = std::sregex_iterator(svg.begin(), svg.end(), pattern);
         match != std::sregex_iterator(); ++match) {
        rects.push_back({(*match)[1],
                         {std::stoi((*match)[2]), std::stoi((*match)[3]), std::stoi((*match)[4]),
                          std::stoi((*match)[5])},
                         (*match)[6]});
    }
    return rects;
}

TEST(BackgroundSvg, IsThePictureSizeAndTheSameEveryTime) {
    const std::string svg = WriteBackgroundSvg(PlayerLayout());
    EXPECT_EQ(svg.rfind("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"524\" height=\"432\" "
                        "viewBox=\"0 0 524 432\">",
                        0),
              0u);
    EXPECT_EQ(svg, WriteBackgroundSvg(PlayerLayout()));
}

TEST(BackgroundSvg, PanelsAreFlatGreenWhereTheLayoutPutsThem) {
    const BackgroundLayout layout = PlayerLayout();
    const std::string svg = WriteBackgroundSvg(layout);
    std::vector<SvgRect> green;
    std::ranges::copy_if(IdentifiedRects(svg), std::back_inserter(green),
                         [](const SvgRect& rect) { return rect.fill == "#00FF9C"; });
    ASSERT_EQ(green.size(), layout.panels.size());
    for (std::size_t index = 0; index < green.size(); ++index) {
        EXPECT_EQ(green[index].id, "panel-" + std::string(layout.panels[index].name));
        EXPECT_EQ(green[index].area, layout.panels[index].area) << green[index].id;
    }
    // Nothing drawn after the panels may cover them but the labels' text.
    const std::string afterPanels = svg.substr(svg.rfind("fill=\"#00FF9C\""));
    EXPECT_EQ(afterPanels.find("<rect"), std::string::npos);
}

TEST(BackgroundSvg, LabelsArePaintedInTheHiddenLabelsPlaces) {
    const std::string svg = WriteBackgroundSvg(PlayerLayout());
    struct Expected {
        std::string_view labelText;
        std::string word;
    };
    const std::vector<Expected> expected{
        {"Album", "Album"},
        {"Artist/Group", "Artist"},
        {"Name of Track/Subtrack", "Name of Track/Subtrack"},
        {"Min", "Min"},
        {"Sec", "Sec"},
        {"Frame", "Frame"},
    };
    for (const Expected& label : expected) {
        const auto control =
            std::ranges::find(res::PLAYER_DIALOG.controls, label.labelText, &ControlTemplate::text);
        ASSERT_NE(control, res::PLAYER_DIALOG.controls.end()) << label.labelText;
        const PixelRect area = ControlPixels(*control);
        const std::regex pattern("<text x=\"(\\d+)\" y=\"(\\d+)\">" + label.word + "</text>");
        std::smatch match;
        ASSERT_TRUE(std::regex_search(svg, match, pattern)) << label.word;
        EXPECT_EQ(std::stoi(match[1]), area.left) << label.word;
        const int baseline = std::stoi(match[2]);
        // Capitals of 11 pixels centred in the rectangle: the baseline lies
        // about 4 pixels below its middle.
        EXPECT_NEAR(baseline, area.top + area.height / 2.0 + 4, 1.0) << label.word;
    }
    EXPECT_EQ(svg.find("Artist/Group"), std::string::npos);
}

}  // namespace
}  // namespace corvid::drawbackground
