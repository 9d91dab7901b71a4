#include <gtest/gtest.h>

#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/window/contract/RecordingHandler.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

// The control of the template's kind with this id, as the window gives it.
Control* ControlOfKind(DialogWindow& window, const ControlTemplate& layout) {
    switch (layout.kind) {
        case ControlKind::PUSH_BUTTON:
        case ControlKind::CHECK_BOX:
            return window.GetButton(layout.id);
        case ControlKind::EDIT:
            return window.GetEdit(layout.id);
        case ControlKind::SCROLL_BAR:
            return window.GetScrollBar(layout.id);
        case ControlKind::UP_DOWN:
            return window.GetUpDown(layout.id);
        case ControlKind::LIST_VIEW:
            return window.GetListView(layout.id);
        case ControlKind::STATIC_TEXT:
        case ControlKind::PICTURE:
        case ControlKind::GROUP_BOX:
            break;
    }
    return window.GetStatic(layout.id);
}

TEST_P(WindowContract, EveryAddressedPlayerControlIsThereWithItsKindAndText) {
    RecordingHandler handler;
    DialogWindow* window = driver->Open(res::PLAYER_DIALOG, handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Title(), res::PLAYER_DIALOG.caption);

    for (const ControlTemplate& layout : res::PLAYER_DIALOG.controls) {
        if (layout.id == UNADDRESSED_CONTROL_ID) {
            continue;
        }
        SCOPED_TRACE(layout.id);
        Control* control = ControlOfKind(*window, layout);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->Id(), layout.id);
        EXPECT_TRUE(control->IsEnabled());
        if (layout.kind != ControlKind::UP_DOWN && layout.kind != ControlKind::LIST_VIEW) {
            EXPECT_EQ(control->Text(), layout.text);
        }
    }
}

TEST_P(WindowContract, PlayerTrackListShowsSeveralWholeRows) {
    RecordingHandler handler;
    DialogWindow* window = driver->Open(res::PLAYER_DIALOG, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = window->GetListView(res::TRACK_LIST);
    ASSERT_NE(list, nullptr);
    list->InsertColumn(0, "Track/Subtrack", 280);
    list->InsertColumn(1, "Length/Pos", 70);
    for (int row = 0; row < 40; ++row) {
        list->InsertItem(row, "row", 0, row);
    }

    EXPECT_GE(list->CountPerPage(), 8);
    EXPECT_LE(list->CountPerPage(), 16);
    const Point last = driver->RowPoint(res::TRACK_LIST, list->CountPerPage() - 1);
    EXPECT_EQ(list->HitTest({5, last.y + 2}), list->CountPerPage() - 1);
}

}  // namespace
}  // namespace corvid::window::contract
