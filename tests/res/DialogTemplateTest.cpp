#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>

#include "res/AboutDialogTemplate.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"

namespace corvid::res {
namespace {

using window::ControlKind;
using window::ControlStyle;
using window::ControlTemplate;
using window::DialogTemplate;
using window::HasStyle;

bool Overlap(const ControlTemplate& a, const ControlTemplate& b) {
    return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height &&
           b.y < a.y + a.height;
}

bool Encloses(const ControlTemplate& outer, const ControlTemplate& inner) {
    return inner.x >= outer.x && inner.y >= outer.y &&
           inner.x + inner.width <= outer.x + outer.width &&
           inner.y + inner.height <= outer.y + outer.height;
}

bool IsVisible(const ControlTemplate& control) {
    return !HasStyle(control.style, ControlStyle::HIDDEN);
}

std::string Describe(const ControlTemplate& control) {
    return std::to_string(control.id) + " \"" + std::string(control.text) + "\"";
}

const DialogTemplate& TemplateOf(int id) {
    return id == PLAYER_DIALOG_ID ? PLAYER_DIALOG : ABOUT_DIALOG;
}

class EveryDialog : public testing::TestWithParam<int> {};

TEST_P(EveryDialog, ControlsLieInsideTheDialog) {
    const DialogTemplate& dialog = TemplateOf(GetParam());
    for (const ControlTemplate& control : dialog.controls) {
        EXPECT_GE(control.x, 0) << Describe(control);
        EXPECT_GE(control.y, 0) << Describe(control);
        EXPECT_GT(control.width, 0) << Describe(control);
        EXPECT_GT(control.height, 0) << Describe(control);
        EXPECT_LE(control.x + control.width, dialog.width) << Describe(control);
        EXPECT_LE(control.y + control.height, dialog.height) << Describe(control);
    }
}

TEST_P(EveryDialog, EnterHasExactlyOneDefaultButton) {
    const DialogTemplate& dialog = TemplateOf(GetParam());
    EXPECT_EQ(std::ranges::count_if(dialog.controls,
                                    [](const ControlTemplate& control) {
                                        return HasStyle(control.style,
                                                        ControlStyle::DEFAULT_BUTTON);
                                    }),
              1);
}

TEST_P(EveryDialog, OnlyPicturesNameAnImage) {
    for (const ControlTemplate& control : TemplateOf(GetParam()).controls) {
        EXPECT_EQ(control.kind == ControlKind::PICTURE, control.imageId != 0) << Describe(control);
    }
}

INSTANTIATE_TEST_SUITE_P(Templates, EveryDialog, testing::Values(PLAYER_DIALOG_ID, ABOUT_DIALOG_ID),
                         [](const testing::TestParamInfo<int>& info) {
                             return "Template" + std::to_string(info.param);
                         });

TEST(PlayerDialog, HasThirtyThreeControls) {
    EXPECT_EQ(PLAYER_DIALOG.id, PLAYER_DIALOG_ID);
    EXPECT_EQ(ABOUT_DIALOG.id, ABOUT_DIALOG_ID);
    EXPECT_EQ(PLAYER_DIALOG.controls.size(), 33u);
}

TEST(PlayerDialog, AddressedIdsAreUniqueAndInTheControlRange) {
    std::set<int> seen;
    for (const ControlTemplate& control : PLAYER_DIALOG.controls) {
        if (control.id == UNADDRESSED_CONTROL_ID) {
            continue;
        }
        EXPECT_GE(control.id, FIRST_PLAYER_CONTROL_ID) << Describe(control);
        EXPECT_LE(control.id, LAST_PLAYER_CONTROL_ID) << Describe(control);
        EXPECT_TRUE(seen.insert(control.id).second) << "id given twice: " << Describe(control);
    }
    EXPECT_EQ(seen.size(), 27u);
}

TEST(PlayerDialog, TheSixLabelsAreHiddenAndEverythingElseIsShown) {
    int labels = 0;
    for (const ControlTemplate& control : PLAYER_DIALOG.controls) {
        const bool unaddressed = control.id == UNADDRESSED_CONTROL_ID;
        EXPECT_EQ(unaddressed, !IsVisible(control)) << Describe(control);
        if (unaddressed) {
            EXPECT_EQ(control.kind, ControlKind::STATIC_TEXT) << Describe(control);
            ++labels;
        }
    }
    EXPECT_EQ(labels, 6);
}

// An auto-buddy spinner sits on the right edge of the number field before it;
// nothing else that is shown may cover another control.
TEST(PlayerDialog, ShownControlsOverlapOnlyWhereASpinnerMeetsItsBuddy) {
    const auto controls = PLAYER_DIALOG.controls;
    for (std::size_t first = 0; first < controls.size(); ++first) {
        for (std::size_t second = first + 1; second < controls.size(); ++second) {
            const ControlTemplate& a = controls[first];
            const ControlTemplate& b = controls[second];
            if (!IsVisible(a) || !IsVisible(b) || !Overlap(a, b)) {
                continue;
            }
            const bool spinnerOnBuddy =
                second == first + 1 && HasStyle(b.style, ControlStyle::AUTO_BUDDY);
            EXPECT_TRUE(spinnerOnBuddy) << Describe(a) << " overlaps " << Describe(b);
        }
    }
}

TEST(PlayerDialog, PositionSpinnersFollowTheirNumberFields) {
    int spinners = 0;
    const auto controls = PLAYER_DIALOG.controls;
    for (std::size_t index = 0; index < controls.size(); ++index) {
        if (!HasStyle(controls[index].style, ControlStyle::AUTO_BUDDY)) {
            continue;
        }
        ++spinners;
        ASSERT_GT(index, 0u);
        const ControlTemplate& buddy = controls[index - 1];
        EXPECT_EQ(controls[index].kind, ControlKind::UP_DOWN);
        EXPECT_EQ(buddy.kind, ControlKind::EDIT) << Describe(buddy);
        EXPECT_TRUE(HasStyle(buddy.style, ControlStyle::NUMBER)) << Describe(buddy);
    }
    EXPECT_EQ(spinners, 3);
}

TEST(AboutDialog, FramesEverythingButTheButton) {
    ASSERT_EQ(ABOUT_DIALOG.controls.size(), 8u);
    const ControlTemplate& frame = ABOUT_DIALOG.controls.back();
    ASSERT_EQ(frame.kind, ControlKind::GROUP_BOX);
    for (const ControlTemplate& control : ABOUT_DIALOG.controls.first(7)) {
        const bool button = control.kind == ControlKind::PUSH_BUTTON;
        EXPECT_EQ(Encloses(frame, control), !button) << Describe(control);
    }
}

TEST(AboutDialog, HappyClosesTheBoxAsOk) {
    const auto button =
        std::ranges::find(ABOUT_DIALOG.controls, ControlKind::PUSH_BUTTON, &ControlTemplate::kind);
    ASSERT_NE(button, ABOUT_DIALOG.controls.end());
    EXPECT_EQ(button->id, IDOK);
    EXPECT_EQ(button->text, "Happy?");
}

}  // namespace
}  // namespace corvid::res
