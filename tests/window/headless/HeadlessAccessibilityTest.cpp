#include <gmock/gmock.h>

#include <algorithm>
#include <cctype>
#include <set>

#include "platform/headless/HeadlessWindowSystem.h"
#include "res/AboutDialogTemplate.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/window/contract/RecordingHandler.h"

namespace corvid::headless {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using window::ControlKind;
using window::ControlStyle;
using window::ControlTemplate;
using window::contract::RecordingHandler;

class HeadlessAccessibilityTest : public ::testing::Test {
  protected:
    HeadlessDialog& OpenPlayer() { return m_windows.Open(res::PLAYER_DIALOG, m_handler); }

    HeadlessWindowSystem m_windows;
    RecordingHandler m_handler;
};

// Each tab stop once, and nothing else: a control missing from the order
// could never be reached by Tab, one listed twice would trap it.
TEST(PlayerTabOrder, ListsEveryTabStopOnce) {
    std::multiset<int> listed(res::PLAYER_DIALOG.tabOrder.begin(),
                              res::PLAYER_DIALOG.tabOrder.end());
    std::multiset<int> tabStops;
    for (const ControlTemplate& control : res::PLAYER_DIALOG.controls) {
        if (HasStyle(control.style, ControlStyle::TAB_STOP)) {
            tabStops.insert(control.id);
        }
    }
    EXPECT_EQ(listed, tabStops);
}

// The keyboard reaches every command: each button, field, the list, the
// position bar and the volume is a tab stop.
TEST(PlayerTabOrder, EveryVisibleControlButTheStaticsAndTheBuddySpinnersIsATabStop) {
    for (const ControlTemplate& control : res::PLAYER_DIALOG.controls) {
        const bool reachedOtherwise = control.kind == ControlKind::STATIC_TEXT ||
                                      HasStyle(control.style, ControlStyle::AUTO_BUDDY) ||
                                      HasStyle(control.style, ControlStyle::HIDDEN);
        if (!reachedOtherwise) {
            EXPECT_TRUE(HasStyle(control.style, ControlStyle::TAB_STOP)) << control.id;
        }
    }
}

// A caption of signs says nothing to a listener; every control without a
// caption of words has a name of its own.
TEST(PlayerNames, EveryVisibleControlHasANameOfWords) {
    for (const window::DialogTemplate* dialog : {&res::PLAYER_DIALOG, &res::ABOUT_DIALOG}) {
        for (const ControlTemplate& control : dialog->controls) {
            if (HasStyle(control.style, ControlStyle::HIDDEN) ||
                control.kind == ControlKind::GROUP_BOX) {
                continue;
            }
            const std::string_view name = window::AccessibleName(control);
            const auto letters = std::ranges::count_if(name, [](char character) {
                return std::isalpha(static_cast<unsigned char>(character));
            });
            EXPECT_GE(letters, 2) << dialog->id << " " << control.id << " \"" << name << "\"";
        }
    }
}

TEST_F(HeadlessAccessibilityTest, FieldsAreNamedByThePaintedLabels) {
    HeadlessDialog& player = OpenPlayer();
    std::vector<std::string> names;
    for (const int id : {res::ALBUM_EDIT, res::ARTIST_EDIT, res::NAME_EDIT, res::MINUTE_EDIT,
                         res::SECOND_EDIT, res::FRAME_EDIT}) {
        names.push_back(player.AccessibleName(id));
    }
    EXPECT_THAT(names,
                ElementsAre("Album", "Artist", "Name of Track/Subtrack", "Min", "Sec", "Frame"));
}

TEST_F(HeadlessAccessibilityTest, NamesFollowACaptionOnlyWhereTheTemplateGivesNone) {
    HeadlessDialog& player = OpenPlayer();
    player.ButtonControl(res::PLAY_STOP_BUTTON).SetText("Stop");
    player.StaticControl(res::POSITION_TEXT).SetText("01:02 (03:04)");

    EXPECT_EQ(player.AccessibleName(res::PLAY_STOP_BUTTON), "Stop");
    EXPECT_EQ(player.AccessibleName(res::PREVIOUS_TRACK_BUTTON), "Previous track");
    EXPECT_EQ(player.AccessibleName(res::POSITION_TEXT), "Position");
}

TEST_F(HeadlessAccessibilityTest, TabFollowsTheTemplatesOrderAndSkipsDisabledControls) {
    HeadlessDialog& player = OpenPlayer();
    player.EditControl(res::ALBUM_EDIT).SetEnabled(false);
    player.Focus(res::TRACK_LIST);

    std::vector<int> focused;
    for (int press = 0; press < 3; ++press) {
        player.PressTab();
        focused.push_back(player.FocusedControlId());
    }

    EXPECT_THAT(focused, ElementsAre(res::ARTIST_EDIT, res::NAME_EDIT, res::MINUTE_EDIT));
}

TEST_F(HeadlessAccessibilityTest, TabGoesRoundTheWholeOrder) {
    HeadlessDialog& player = OpenPlayer();
    const auto order = res::PLAYER_DIALOG.tabOrder;
    player.Focus(order.back());

    std::vector<int> focused;
    for (std::size_t press = 0; press < order.size(); ++press) {
        player.PressTab();
        focused.push_back(player.FocusedControlId());
    }

    EXPECT_THAT(focused, ElementsAreArray(order.begin(), order.end()));
}

}  // namespace
}  // namespace corvid::headless
