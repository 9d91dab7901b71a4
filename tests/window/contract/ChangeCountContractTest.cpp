// The window's change count, which lets a reader that mirrors the controls
// (the desktop's media controls) skip reading them again when nothing moved.
#include <gmock/gmock.h>

#include <array>
#include <functional>
#include <string>

#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

constexpr std::array ROW_ICONS{130, 131, 134, 139};

struct Action {
    const char* name;
    std::function<void(DialogWindow&, ContractDriver&)> act;
};

DialogWindow* OpenWithRows(ContractDriver& driver, RecordingHandler& handler) {
    DialogWindow* window = OpenContractDialog(driver, handler);
    if (window == nullptr) {
        return nullptr;
    }
    ListView& list = *window->GetListView(ROWS_LIST);
    list.SetImageList(ROW_ICONS);
    list.InsertColumn(0, "Track/Subtrack", 280);
    list.InsertItem(0, "01 Overture", 0, 1);
    list.InsertItem(1, "02 Theme", 0, 2);
    window->GetScrollBar(POSITION_BAR)->SetRange(0, 100, 1);
    window->GetUpDown(STOP_SPIN)->SetRange(0, 10);
    driver.DeliverPending();
    return window;
}

TEST_P(WindowContract, ChangeCountMovesWithEverySetterAndEveryUserChange) {
    const Action actions[] = {
        {"label text",
         [](DialogWindow& w, ContractDriver&) { w.GetStatic(CAPTION_LABEL)->SetText("01:02"); }},
        {"edit text",
         [](DialogWindow& w, ContractDriver&) { w.GetEdit(NAME_EDIT)->SetText("Album"); }},
        {"button text",
         [](DialogWindow& w, ContractDriver&) { w.GetButton(OTHER_BUTTON)->SetText("Stop"); }},
        {"enabled",
         [](DialogWindow& w, ContractDriver&) { w.GetButton(OTHER_BUTTON)->SetEnabled(false); }},
        {"check",
         [](DialogWindow& w, ContractDriver&) { w.GetButton(REPEAT_TOGGLE)->SetCheck(1); }},
        {"bar position",
         [](DialogWindow& w, ContractDriver&) { w.GetScrollBar(POSITION_BAR)->SetPosition(40); }},
        {"spin position",
         [](DialogWindow& w, ContractDriver&) { w.GetUpDown(STOP_SPIN)->SetPosition(3); }},
        {"row text", [](DialogWindow& w,
                        ContractDriver&) { w.GetListView(ROWS_LIST)->SetItemText(1, 0, "Theme"); }},
        {"row data",
         [](DialogWindow& w, ContractDriver&) { w.GetListView(ROWS_LIST)->SetItemData(1, 7); }},
        {"row image",
         [](DialogWindow& w, ContractDriver&) { w.GetListView(ROWS_LIST)->SetItemImage(0, 2); }},
        {"row selected",
         [](DialogWindow& w, ContractDriver&) {
             w.GetListView(ROWS_LIST)->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
         }},
        {"typing", [](DialogWindow&, ContractDriver& d) { d.Type(NAME_EDIT, "x"); }},
        {"toggle click", [](DialogWindow&, ContractDriver& d) { d.Click(REPEAT_TOGGLE); }},
        {"spin arrow",
         [](DialogWindow&, ContractDriver& d) { d.ClickArrow(STOP_SPIN, Arrow::UP); }},
        {"bar step",
         [](DialogWindow&, ContractDriver& d) { d.ScrollStep(POSITION_BAR, SB_LINERIGHT); }},
        {"row click", [](DialogWindow&,
                         ContractDriver& d) { d.ClickList(ROWS_LIST, d.RowPoint(ROWS_LIST, 1)); }},
        {"row inserted",
         [](DialogWindow& w, ContractDriver&) {
             w.GetListView(ROWS_LIST)->InsertItem(2, "03", 0, 3);
         }},
        {"row deleted",
         [](DialogWindow& w, ContractDriver&) { w.GetListView(ROWS_LIST)->DeleteItem(0); }},
        {"rows cleared",
         [](DialogWindow& w, ContractDriver&) { w.GetListView(ROWS_LIST)->DeleteAllItems(); }},
    };
    RecordingHandler handler;
    DialogWindow* window = OpenWithRows(*driver, handler);
    ASSERT_NE(window, nullptr);
    for (const Action& action : actions) {
        SCOPED_TRACE(action.name);
        const std::uint64_t before = window->ChangeCount();
        action.act(*window, *driver);
        driver->DeliverPending();
        EXPECT_GT(window->ChangeCount(), before);
    }
}

TEST_P(WindowContract, ChangeCountStaysWhileControlsAreOnlyReadAndTimeGoesBy) {
    RecordingHandler handler;
    DialogWindow* window = OpenWithRows(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->SetTimer(1, 200);
    const std::uint64_t before = window->ChangeCount();

    driver->AdvanceTime(1000);
    static_cast<void>(window->GetEdit(NAME_EDIT)->Text());
    static_cast<void>(window->GetButton(OTHER_BUTTON)->IsEnabled());
    static_cast<void>(window->GetScrollBar(POSITION_BAR)->Position());
    const ListView& list = *window->GetListView(ROWS_LIST);
    static_cast<void>(list.ItemText(1, 0));
    static_cast<void>(list.ItemState(1, LVIS_SELECTED));
    static_cast<void>(list.FirstSelectedItem());

    EXPECT_EQ(handler.Count(WM_TIMER), 5);
    EXPECT_EQ(window->ChangeCount(), before);
}

}  // namespace
}  // namespace corvid::window::contract
