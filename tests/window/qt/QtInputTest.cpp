#include <gmock/gmock.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "platform/qt/QtListView.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/window/contract/ContractDialog.h"
#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/RecordingHandler.h"
#include "tests/window/qt/QtContractDriver.h"
#include "tests/window/qt/QtDialogTest.h"

namespace corvid::window::qt {
namespace {

using contract::RecordingHandler;
using ::testing::ElementsAre;

using QtInput = QtDialogTest;

// Qt's editing keys change the text without textChanged's help for equal
// texts; each change must still send exactly one notice.
TEST_F(QtInput, EditingKeysSendOneChangeEach) {
    Open();
    driver.Type(contract::NAME_EDIT, "abc");
    QWidget& edit = driver.WidgetOf(contract::NAME_EDIT);

    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClick(&edit, Qt::Key_Z, Qt::ControlModifier);
    QTest::keyClick(&edit, Qt::Key_Home);
    QTest::keyClick(&edit, Qt::Key_Delete);

    EXPECT_THAT(contract::ChangeTexts(handler, contract::NAME_EDIT),
                ElementsAre("a", "ab", "abc", "ab", "abc", "bc"));
}

TEST_F(QtInput, ALimitSetAfterTypingKeepsTheModifiedFlagAndSendsNothing) {
    DialogWindow& window = Open();
    driver.Type(contract::NAME_EDIT, "abcdef");
    handler.received.clear();

    window.GetEdit(contract::NAME_EDIT)->SetLimitText(3);

    EXPECT_TRUE(window.GetEdit(contract::NAME_EDIT)->GetModify());
    EXPECT_EQ(handler.Count(WM_COMMAND, EN_CHANGE, contract::NAME_EDIT), 0);
}

TEST_F(QtInput, ScrollBarReleaseEndsEveryScroll) {
    DialogWindow& window = Open();
    ScrollBar* bar = window.GetScrollBar(contract::POSITION_BAR);
    bar->SetRange(0, 300, 10);
    bar->SetPosition(100);

    driver.ScrollStep(contract::POSITION_BAR, SB_LINERIGHT);
    EXPECT_THAT(contract::ScrollCodes(handler), ElementsAre(SB_LINERIGHT, SB_ENDSCROLL));
    handler.received.clear();
    driver.DragThumb(contract::POSITION_BAR, 150);
    const std::vector<ScrollCode> codes = contract::ScrollCodes(handler);
    ASSERT_GE(codes.size(), 3U);
    EXPECT_EQ(codes[codes.size() - 2], SB_THUMBPOSITION);
    EXPECT_EQ(codes.back(), SB_ENDSCROLL);
    EXPECT_EQ(handler.Of(WM_HSCROLL)[codes.size() - 2].params.thumbPosition, 150);
}

TEST_F(QtInput, ListDoubleClickSendsOneClickThenOneDoubleClick) {
    DialogWindow& window = Open();
    ListView* list = window.GetListView(contract::ROWS_LIST);
    list->InsertColumn(0, "Track/Subtrack", 280);
    for (int row = 0; row < 5; ++row) {
        list->InsertItem(row, "row", 0, row);
    }
    auto& tree = dynamic_cast<DialogTreeWidget&>(driver.WidgetOf(contract::ROWS_LIST));
    const QPoint point = dynamic_cast<QtListView&>(*list).ViewportPoint(
        {10, driver.RowPoint(contract::ROWS_LIST, 2).y + 2});

    // As Qt delivers a double click: the second press comes as the double click.
    QTest::mouseClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseDClick(tree.viewport(), Qt::LeftButton, Qt::NoModifier, point);
    QTest::mouseRelease(tree.viewport(), Qt::LeftButton, Qt::NoModifier, point);

    EXPECT_EQ(handler.Count(WM_NOTIFY, NM_CLICK, contract::ROWS_LIST), 1);
    EXPECT_EQ(handler.Count(WM_NOTIFY, NM_DBLCLK, contract::ROWS_LIST), 1);
    EXPECT_EQ(list->FirstSelectedItem(), 2);
}

TEST_F(QtInput, ClickBesideTheRowsTakesTheSelectionAway) {
    DialogWindow& window = Open();
    ListView* list = window.GetListView(contract::ROWS_LIST);
    list->InsertColumn(0, "Track/Subtrack", 280);
    list->InsertItem(0, "row", 0, 0);
    list->SetItemState(0, LVIS_SELECTED, LVIS_SELECTED);

    driver.ClickList(contract::ROWS_LIST, {10, driver.RowPoint(contract::ROWS_LIST, 3).y + 2});

    EXPECT_EQ(list->FirstSelectedItem(), -1);
    EXPECT_EQ(handler.Count(WM_NOTIFY, NM_CLICK, contract::ROWS_LIST), 1);
}

// The position fields drive their spinners with the arrow keys; the spinner
// never writes into the field.
TEST_F(QtInput, ArrowKeysInABuddyFieldGoToItsSpinner) {
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    window.GetUpDown(res::MINUTE_SPIN)->SetRange(0, 99);
    window.GetEdit(res::MINUTE_EDIT)->SetText("07");
    handler.received.clear();

    QWidget& field = driver.WidgetOf(res::MINUTE_EDIT);
    field.setFocus();
    QTest::keyClick(&field, Qt::Key_Up);
    QTest::keyClick(&field, Qt::Key_Down);

    const std::vector<contract::Received> proposals =
        handler.Of(WM_NOTIFY, UDN_DELTAPOS, res::MINUTE_SPIN);
    ASSERT_EQ(proposals.size(), 2U);
    EXPECT_EQ(proposals[0].params.upDown.delta, 1);
    EXPECT_EQ(proposals[1].params.upDown.delta, -1);
    EXPECT_EQ(window.GetEdit(res::MINUTE_EDIT)->Text(), "07");
    EXPECT_EQ(handler.Count(WM_COMMAND, EN_CHANGE, res::MINUTE_EDIT), 0);
}

TEST_F(QtInput, EnterOnAFocusedOtherButtonStillGoesToTheDefaultButton) {
    Open();

    driver.PressEnter(contract::OTHER_BUTTON);

    const std::vector<contract::Received> commands = handler.Of(WM_COMMAND);
    ASSERT_EQ(commands.size(), 1U);
    EXPECT_EQ(commands[0].params.controlId, contract::APPLY_BUTTON);
}

}  // namespace
}  // namespace corvid::window::qt
