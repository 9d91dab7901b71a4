#include <gtest/gtest.h>

#include <algorithm>

#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "res/StringTable.h"

namespace corvid::res {
namespace {

using window::ControlTemplate;

bool IsPlayerControl(int id) {
    return std::ranges::find(PLAYER_DIALOG.controls, id, &ControlTemplate::id) !=
           PLAYER_DIALOG.controls.end();
}

bool IsPositionSpinner(int id) {
    return id == MINUTE_SPIN || id == SECOND_SPIN || id == FRAME_SPIN;
}

TEST(StringTable, EveryTooltipBelongsToAPlayerControlButOne) {
    for (const StringEntry& entry : StringTableEntries()) {
        if (entry.id == ABOUT_MENU_STRING_ID || entry.id == UNUSED_CURRENT_TRACK_STRING_ID) {
            EXPECT_FALSE(IsPlayerControl(entry.id)) << entry.id;
            continue;
        }
        EXPECT_TRUE(IsPlayerControl(entry.id)) << entry.id << " " << entry.text;
        EXPECT_FALSE(entry.text.empty()) << entry.id;
    }
}

TEST(StringTable, EveryAddressedControlHasATooltipExceptThePositionSpinners) {
    for (const ControlTemplate& control : PLAYER_DIALOG.controls) {
        if (control.id == UNADDRESSED_CONTROL_ID) {
            continue;
        }
        EXPECT_EQ(LoadString(control.id).has_value(), !IsPositionSpinner(control.id)) << control.id;
    }
}

TEST(StringTable, LoadStringFindsTheEntryOrNothing) {
    EXPECT_EQ(LoadString(ABOUT_MENU_STRING_ID), "&About CorvidPlayer...");
    EXPECT_EQ(LoadString(VOLUME_SPIN), "Changes sound volume.");
    EXPECT_EQ(LoadString(REPEAT_TOGGLE), "Turns on/off repeating the selected (sub)track.");
    EXPECT_EQ(LoadString(MINUTE_SPIN), std::nullopt);
    EXPECT_EQ(LoadString(0), std::nullopt);
    EXPECT_EQ(LoadString(UNADDRESSED_CONTROL_ID), std::nullopt);
    EXPECT_EQ(StringTableEntries().size(), 26u);
}

}  // namespace
}  // namespace corvid::res
