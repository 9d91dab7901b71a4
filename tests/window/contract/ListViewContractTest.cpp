#include <gmock/gmock.h>

#include <array>
#include <string>

#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

using ::testing::ElementsAre;

constexpr std::array ROW_ICONS{130, 131, 134, 139};

ListView* PrepareList(DialogWindow& window) {
    ListView* list = window.GetListView(ROWS_LIST);
    if (list != nullptr) {
        list->SetImageList(ROW_ICONS);
        list->InsertColumn(0, "Track/Subtrack", 280);
        list->InsertColumn(1, "Length/Pos", 70);
    }
    return list;
}

// Rows "row 0" .. "row n-1", each with its index as data.
void FillRows(ListView& list, int count) {
    for (int row = 0; row < count; ++row) {
        list.InsertItem(row, "row " + std::to_string(row), row % 4, row);
    }
}

std::vector<std::string> FirstColumn(const ListView& list) {
    std::vector<std::string> texts;
    for (int row = 0; row < list.ItemCount(); ++row) {
        texts.push_back(list.ItemText(row, 0));
    }
    return texts;
}

TEST_P(WindowContract, ListInsertItemPlacesTheRowAndReturnsItsIndex) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    ASSERT_NE(list, nullptr);

    EXPECT_EQ(list->InsertItem(0, "b", 0, 2), 0);
    EXPECT_EQ(list->InsertItem(0, "a", 0, 1), 0);
    EXPECT_EQ(list->InsertItem(2, "d", 0, 4), 2);
    EXPECT_EQ(list->InsertItem(2, "c", 0, 3), 2);
    EXPECT_EQ(list->InsertItem(99, "e", 0, 5), 4) << "past the end goes to the end";
    EXPECT_EQ(list->InsertItem(-1, "x", 0, 6), -1);

    EXPECT_THAT(FirstColumn(*list), ElementsAre("a", "b", "c", "d", "e"));
    EXPECT_EQ(list->ItemData(3), 4);
}

TEST_P(WindowContract, ListRowsKeepTheirTextsDataAndImages) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    list->InsertItem(0, "01 Overture", 0, 0x0100);
    list->InsertItem(1, "Theme", 1, -7);

    list->SetItemText(0, 1, "03:12");
    list->SetItemText(1, 0, "Theme again");
    list->SetItemData(1, 0x7FFFFFFF);
    list->SetItemImage(0, 3);

    EXPECT_EQ(list->ItemText(0, 0), "01 Overture");
    EXPECT_EQ(list->ItemText(0, 1), "03:12");
    EXPECT_EQ(list->ItemText(1, 0), "Theme again");
    EXPECT_EQ(list->ItemText(1, 1), "");
    EXPECT_EQ(list->ItemData(0), 0x0100);
    EXPECT_EQ(list->ItemData(1), 0x7FFFFFFF);
    EXPECT_EQ(list->ItemImage(0), 3);
    EXPECT_EQ(list->ItemImage(1), 1);
}

TEST_P(WindowContract, ListDeleteItemMovesTheLaterRowsUp) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 4);
    list->SetItemState(2, LVIS_SELECTED, LVIS_SELECTED);

    list->DeleteItem(1);

    EXPECT_THAT(FirstColumn(*list), ElementsAre("row 0", "row 2", "row 3"));
    EXPECT_EQ(list->ItemData(1), 2);
    EXPECT_EQ(list->FirstSelectedItem(), 1) << "the state goes with its row";
    list->DeleteAllItems();
    EXPECT_EQ(list->ItemCount(), 0);
    EXPECT_EQ(list->FirstSelectedItem(), -1);
}

TEST_P(WindowContract, ListAllowsOneSelectedRowAndMarksBesideIt) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 5);
    const std::uint32_t allStates = LVIS_SELECTED | LVIS_CUT | LVIS_DROPHILITED;

    list->SetItemState(1, LVIS_SELECTED, LVIS_SELECTED);
    list->SetItemState(3, LVIS_SELECTED, LVIS_SELECTED);
    list->SetItemState(0, LVIS_CUT, LVIS_CUT);
    list->SetItemState(4, LVIS_CUT | LVIS_DROPHILITED, LVIS_CUT | LVIS_DROPHILITED);

    EXPECT_EQ(list->FirstSelectedItem(), 3);
    EXPECT_EQ(list->ItemState(1, allStates), 0U);
    EXPECT_EQ(list->ItemState(3, allStates), static_cast<std::uint32_t>(LVIS_SELECTED));
    EXPECT_EQ(list->ItemState(0, allStates), static_cast<std::uint32_t>(LVIS_CUT));
    EXPECT_EQ(list->ItemState(4, LVIS_DROPHILITED), static_cast<std::uint32_t>(LVIS_DROPHILITED));
    EXPECT_EQ(list->ItemState(4, LVIS_SELECTED), 0U) << "the mask limits what is read";

    list->SetItemState(4, 0, LVIS_CUT);
    EXPECT_EQ(list->ItemState(4, allStates), static_cast<std::uint32_t>(LVIS_DROPHILITED));
    list->SetItemState(3, 0, LVIS_SELECTED);
    EXPECT_EQ(list->FirstSelectedItem(), -1);
}

TEST_P(WindowContract, ListRowsOutsideReadEmptyAndIgnoreSetting) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 3);

    for (const int row : {-1, 3, 50}) {
        SCOPED_TRACE(row);
        list->SetItemText(row, 0, "ghost");
        list->SetItemData(row, 77);
        list->SetItemImage(row, 2);
        list->SetItemState(row, LVIS_SELECTED | LVIS_CUT, LVIS_SELECTED | LVIS_CUT);
        list->DeleteItem(row);
        list->EnsureVisible(row);

        EXPECT_EQ(list->ItemText(row, 0), "");
        EXPECT_EQ(list->ItemText(row, 1), "");
        EXPECT_EQ(list->ItemData(row), 0);
        EXPECT_EQ(list->ItemImage(row), 0);
        EXPECT_EQ(list->ItemState(row, LVIS_SELECTED | LVIS_CUT), 0U);
    }
    EXPECT_THAT(FirstColumn(*list), ElementsAre("row 0", "row 1", "row 2"));
    EXPECT_EQ(list->FirstSelectedItem(), -1);
    EXPECT_EQ(list->TopIndex(), 0);
}

TEST_P(WindowContract, ListEnsureVisibleShowsWholeRowsAndMovesTheTopIndex) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 60);
    const int perPage = list->CountPerPage();
    ASSERT_GT(perPage, 2);
    ASSERT_LT(perPage, 60);
    EXPECT_EQ(list->TopIndex(), 0);

    list->EnsureVisible(perPage - 1);
    EXPECT_EQ(list->TopIndex(), 0) << "a whole visible row needs no scrolling";
    list->EnsureVisible(40);
    EXPECT_EQ(list->TopIndex(), 40 - perPage + 1) << "the row is the last whole one";
    list->EnsureVisible(59);
    EXPECT_EQ(list->TopIndex(), 60 - perPage);
    list->EnsureVisible(60 - perPage + 1);
    EXPECT_EQ(list->TopIndex(), 60 - perPage);
    list->EnsureVisible(3);
    EXPECT_EQ(list->TopIndex(), 3) << "a row above comes to the top";
}

TEST_P(WindowContract, ListHitTestOfARowPointIsThatRow) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 40);
    list->EnsureVisible(30);
    const int top = list->TopIndex();
    const int last = top + list->CountPerPage() - 1;

    for (const int row : {top, top + 1, last}) {
        SCOPED_TRACE(row);
        const Point point = driver->RowPoint(ROWS_LIST, row);
        EXPECT_EQ(list->HitTest({5, point.y + 2}), row);
    }
}

TEST_P(WindowContract, ListHitTestBelowTheLastRowIsNone) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 2);

    const Point below = driver->RowPoint(ROWS_LIST, 3);

    EXPECT_EQ(list->HitTest({5, below.y + 2}), -1);
}

TEST_P(WindowContract, ListClickSelectsTheRowBeforeNmClick) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 10);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);

    const Point point = driver->RowPoint(ROWS_LIST, 4);
    driver->ClickList(ROWS_LIST, {40, point.y + 2});

    const std::vector<Received> clicks = handler.Of(WM_NOTIFY, NM_CLICK, ROWS_LIST);
    ASSERT_EQ(clicks.size(), 1U);
    EXPECT_EQ(clicks[0].selectedRow, 4);
    EXPECT_EQ(clicks[0].hitRow, 4) << "the cursor is over the clicked row";
    EXPECT_EQ(list->FirstSelectedItem(), 4);
    EXPECT_EQ(list->ItemState(0, LVIS_SELECTED), 0U);
    EXPECT_EQ(window->FocusedControlId(), ROWS_LIST);
}

TEST_P(WindowContract, DisabledListIgnoresClicks) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ListView* list = PrepareList(*window);
    FillRows(*list, 10);
    list->SetEnabled(false);

    const Point point = driver->RowPoint(ROWS_LIST, 2);
    driver->ClickList(ROWS_LIST, {5, point.y + 2});

    EXPECT_EQ(handler.Count(WM_NOTIFY), 0);
    EXPECT_EQ(list->FirstSelectedItem(), -1);
}

}  // namespace
}  // namespace corvid::window::contract
