#include <gmock/gmock.h>

#include <filesystem>
#include <stdexcept>
#include <thread>

#include "platform/headless/HeadlessWindowSystem.h"
#include "tests/window/contract/ContractDialog.h"
#include "tests/window/contract/RecordingHandler.h"

namespace corvid::headless {
namespace {

using ::testing::ElementsAre;
using window::MessageBoxAnswer;
using window::MessageBoxButtons;
using window::contract::CONTRACT_DIALOG;
using window::contract::CONTRACT_DIALOG_ID;
using window::contract::RecordingHandler;
namespace ids = window::contract;

// A second template, opened from inside the first.
constexpr int NESTED_DIALOG_ID = 950;
constexpr std::array NESTED_CONTROLS{
    window::ControlTemplate{window::IDOK, window::ControlKind::PUSH_BUTTON, "Happy?", 10, 10, 32,
                            14, window::ControlStyle::DEFAULT_BUTTON},
};
const window::DialogTemplate NESTED_DIALOG{.id = NESTED_DIALOG_ID,
                                           .caption = "Nested",
                                           .width = 60,
                                           .height = 40,
                                           .style = window::DialogStyle::POPUP,
                                           .font = {},
                                           .controls = NESTED_CONTROLS};

class HeadlessSystemTest : public ::testing::Test {
  protected:
    HeadlessDialog& OpenDialog() { return m_windows.Open(CONTRACT_DIALOG, m_handler); }

    HeadlessWindowSystem m_windows;
    RecordingHandler m_handler;
};

TEST_F(HeadlessSystemTest, UnansweredBoxesAnswerNoOrOkAndAreLogged) {
    HeadlessDialog& dialog = OpenDialog();

    EXPECT_EQ(dialog.ShowMessageBox("Save?", MessageBoxButtons::YES_NO), MessageBoxAnswer::NO);
    EXPECT_EQ(m_windows.ShowMessageBox("No drive", MessageBoxButtons::OK), MessageBoxAnswer::OK);
    EXPECT_EQ(dialog.ShowFileDialog(window::FileDialogRequest{}), std::nullopt);

    const auto& boxes = m_windows.MessageBoxes();
    ASSERT_EQ(boxes.size(), 2U);
    EXPECT_EQ(boxes[0].text, "Save?");
    EXPECT_EQ(boxes[0].buttons, MessageBoxButtons::YES_NO);
    EXPECT_EQ(boxes[0].ownerTemplateId, CONTRACT_DIALOG_ID);
    EXPECT_EQ(boxes[0].answer, MessageBoxAnswer::NO);
    EXPECT_EQ(boxes[1].ownerTemplateId, 0);
    ASSERT_EQ(m_windows.FileDialogs().size(), 1U);
    EXPECT_EQ(m_windows.FileDialogs()[0].answer, std::nullopt);
}

TEST_F(HeadlessSystemTest, QueuedAnswersAreGivenInOrderAndCounted) {
    HeadlessDialog& dialog = OpenDialog();
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::NO);
    m_windows.AnswerNextMessageBox(MessageBoxAnswer::YES);

    EXPECT_EQ(dialog.ShowMessageBox("first", MessageBoxButtons::YES_NO), MessageBoxAnswer::YES);
    EXPECT_EQ(dialog.ShowMessageBox("second", MessageBoxButtons::YES_NO), MessageBoxAnswer::NO);
    EXPECT_EQ(m_windows.UnusedAnswers(), 1);
}

TEST_F(HeadlessSystemTest, FileDialogIsLoggedAndItsAnswerGetsTheDefaultExtension) {
    HeadlessDialog& dialog = OpenDialog();
    const window::FileDialogRequest request{.kind = window::FileDialogKind::SAVE,
                                            .filter = "Track list files (*.trk)|*.trk||",
                                            .defaultExtension = "*.trk",
                                            .initialName = "Night Music"};
    m_windows.AnswerNextFileDialog("Night Music");
    m_windows.AnswerNextFileDialog("/tmp/list.txt");

    const std::optional<std::string> typed = dialog.ShowFileDialog(request);
    const std::optional<std::string> withExtension = dialog.ShowFileDialog(request);

    EXPECT_EQ(typed, (std::filesystem::current_path() / "Night Music.trk").string());
    EXPECT_EQ(withExtension, "/tmp/list.txt");
    const FileDialogRecord& record = m_windows.FileDialogs().front();
    EXPECT_EQ(record.kind, window::FileDialogKind::SAVE);
    EXPECT_EQ(record.filter, "Track list files (*.trk)|*.trk||");
    EXPECT_EQ(record.defaultExtension, "*.trk");
    EXPECT_EQ(record.initialName, "Night Music");
    EXPECT_EQ(record.answer, typed);
}

TEST_F(HeadlessSystemTest, NoticesPostedFromOtherThreadsWaitForDelivery) {
    HeadlessDialog& dialog = OpenDialog();
    constexpr int PER_THREAD = 50;
    auto post = [&dialog] {
        for (int notice = 0; notice < PER_THREAD; ++notice) {
            dialog.PostMciNotify(MciNotifyCode::Successful);
        }
    };
    std::thread first(post);
    std::thread second(post);
    first.join();
    second.join();
    EXPECT_EQ(m_handler.Count(window::MM_MCINOTIFY), 0);
    EXPECT_EQ(dialog.PostedCount(), 2 * PER_THREAD);

    m_windows.DeliverPosted();

    EXPECT_EQ(m_handler.Count(window::MM_MCINOTIFY), 2 * PER_THREAD);
    EXPECT_EQ(dialog.PostedCount(), 0);
}

TEST_F(HeadlessSystemTest, NoticesPostedToAClosedDialogAreDropped) {
    HeadlessDialog& dialog = OpenDialog();
    dialog.CloseBox();

    dialog.PostMciNotify(MciNotifyCode::Aborted);
    m_windows.DeliverPosted();

    EXPECT_EQ(m_handler.Count(window::MM_MCINOTIFY), 0);
}

TEST_F(HeadlessSystemTest, AdvanceTimeDeliversPostedNoticesBeforeTheTicks) {
    HeadlessDialog& dialog = OpenDialog();
    dialog.SetTimer(1, 200);
    dialog.PostMciNotify(MciNotifyCode::Superseded);

    m_windows.AdvanceTime(200);

    ASSERT_EQ(m_handler.received.size(), 2U);
    EXPECT_EQ(m_handler.received[0].params.message, window::MM_MCINOTIFY);
    EXPECT_EQ(m_handler.received[1].params.message, window::WM_TIMER);
    EXPECT_EQ(m_windows.NowMilliseconds(), 200);
    EXPECT_THAT(dialog.RunningTimers(), ElementsAre(std::pair{1, 200}));
}

TEST_F(HeadlessSystemTest, DoModalRunsTheTemplatesScriptAndThenClosesTheDialog) {
    int scriptRuns = 0;
    m_windows.ScriptDialog(CONTRACT_DIALOG_ID, [&](HeadlessDialog& dialog) {
        ++scriptRuns;
        dialog.TypeText(ids::NAME_EDIT, "typed");
    });

    const int code = m_windows.DoModal(CONTRACT_DIALOG, m_handler, nullptr);

    EXPECT_EQ(code, window::IDCANCEL) << "the close box's default handling";
    EXPECT_EQ(scriptRuns, 1);
    EXPECT_EQ(m_handler.Count(window::WM_CLOSE), 1);
    EXPECT_EQ(m_handler.received.back().params.message, window::WM_DESTROY);
    HeadlessDialog* dialog = m_windows.LastDialog(CONTRACT_DIALOG_ID);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->Text(ids::NAME_EDIT), "typed") << "a closed dialog can still be read";
}

TEST_F(HeadlessSystemTest, DoModalOfAScriptThatEndsTheDialogReturnsItsCode) {
    m_windows.ScriptDialog(CONTRACT_DIALOG_ID, [](HeadlessDialog& dialog) { dialog.EndDialog(7); });

    EXPECT_EQ(m_windows.DoModal(CONTRACT_DIALOG, m_handler, nullptr), 7);
    EXPECT_EQ(m_handler.Count(window::WM_CLOSE), 0);
}

TEST_F(HeadlessSystemTest, DoModalOfADialogThatRefusesToCloseThrows) {
    m_handler.respond = [](const window::MessageParams& message) -> window::MessageResult {
        return message.message == window::WM_CLOSE ? window::MessageResult(0) : std::nullopt;
    };

    EXPECT_THROW(m_windows.DoModal(CONTRACT_DIALOG, m_handler, nullptr), std::logic_error);
}

TEST_F(HeadlessSystemTest, NestedDoModalRunsItsOwnScriptWhileTheOuterTimerTicks) {
    RecordingHandler nested;
    int outerTicksInsideNested = 0;
    m_windows.ScriptDialog(NESTED_DIALOG_ID, [&](HeadlessDialog& box) {
        const int before = m_handler.Count(window::WM_TIMER);
        m_windows.AdvanceTime(400);
        outerTicksInsideNested = m_handler.Count(window::WM_TIMER) - before;
        box.PressEnter();
    });
    std::optional<int> nestedCode;
    m_handler.respond = [&](const window::MessageParams& message) -> window::MessageResult {
        if (message.message == window::WM_COMMAND && message.controlId == ids::OTHER_BUTTON) {
            nestedCode = m_windows.DoModal(NESTED_DIALOG, nested, m_handler.window);
            return 0;
        }
        return std::nullopt;
    };
    HeadlessDialog& outer = OpenDialog();
    outer.SetTimer(1, 200);

    outer.Click(ids::OTHER_BUTTON);

    EXPECT_EQ(nestedCode, window::IDOK);
    EXPECT_EQ(outerTicksInsideNested, 2);
    EXPECT_TRUE(outer.IsOpen());
    ASSERT_NE(m_windows.LastDialog(NESTED_DIALOG_ID), nullptr);
    EXPECT_EQ(m_windows.LastDialog(NESTED_DIALOG_ID)->Owner(), &outer);
    EXPECT_EQ(m_windows.DialogCount(NESTED_DIALOG_ID), 1);
}

TEST_F(HeadlessSystemTest, PaintErasesThenPaintsAndRecordsTheDrawing) {
    m_handler.respond = [this](const window::MessageParams& message) -> window::MessageResult {
        if (message.message == window::WM_PAINT) {
            message.painter->DrawIcon(128, {4, 5});
            return 0;
        }
        return std::nullopt;
    };
    HeadlessDialog& dialog = OpenDialog();

    const std::vector<PaintCall> calls = dialog.Paint();

    EXPECT_THAT(
        calls,
        ElementsAre(PaintCall{PaintCall::Kind::BACKGROUND_FILL, 0, {}, window::WM_ERASEBKGND},
                    PaintCall{PaintCall::Kind::ICON, 128, {4, 5}, window::WM_PAINT}));
}

TEST_F(HeadlessSystemTest, UnhandledSystemCommandsChangeTheWindowState) {
    HeadlessDialog& dialog = OpenDialog();

    dialog.UserMinimize();
    EXPECT_TRUE(dialog.IsMinimized());
    dialog.UserRestore();
    EXPECT_FALSE(dialog.IsMinimized());
    dialog.UserMaximize();
    EXPECT_TRUE(dialog.IsMaximized());
    dialog.SystemCommand(window::SC_CLOSE);
    EXPECT_EQ(m_handler.Count(window::WM_CLOSE), 1);
    EXPECT_EQ(dialog.EndCode(), window::IDCANCEL);
}

TEST_F(HeadlessSystemTest, MenuCommandsAreChosenOnlyWhenAdded) {
    m_handler.onInit = [](window::DialogWindow& window) {
        window.AddMenuCommand(0, "");
        window.AddMenuCommand(16, "&About CorvidPlayer...");
    };
    HeadlessDialog& dialog = OpenDialog();

    dialog.ChooseMenuCommand(16);

    EXPECT_THAT(dialog.MenuCommands(),
                ElementsAre(MenuCommand{0, ""}, MenuCommand{16, "&About CorvidPlayer..."}));
    const std::vector<window::contract::Received> commands = m_handler.Of(window::WM_SYSCOMMAND);
    ASSERT_EQ(commands.size(), 1U);
    EXPECT_EQ(commands[0].params.systemCommand, 16);
    EXPECT_THROW(dialog.ChooseMenuCommand(17), std::out_of_range);
}

TEST_F(HeadlessSystemTest, ToolTipsAskTheDialogOnlyOnceEnabled) {
    m_handler.respond = [](const window::MessageParams& message) -> window::MessageResult {
        if (message.code == window::TTN_NEEDTEXT) {
            message.toolTip->text = "Tip " + std::to_string(message.controlId);
            return 0;
        }
        return std::nullopt;
    };
    HeadlessDialog& dialog = OpenDialog();
    EXPECT_EQ(dialog.ToolTipText(ids::APPLY_BUTTON), "");

    dialog.EnableToolTips();

    EXPECT_EQ(dialog.ToolTipText(ids::APPLY_BUTTON), "Tip " + std::to_string(ids::APPLY_BUTTON));
}

TEST_F(HeadlessSystemTest, ReadingAControlTheTemplateLacksThrows) {
    HeadlessDialog& dialog = OpenDialog();

    EXPECT_THROW(static_cast<void>(dialog.Text(4242)), std::out_of_range);
    EXPECT_THROW(static_cast<void>(dialog.EditControl(ids::APPLY_BUTTON)), std::out_of_range);
    EXPECT_THROW(dialog.Click(4242), std::out_of_range);
}

TEST_F(HeadlessSystemTest, EditingKeysWorkOnTheSelection) {
    HeadlessDialog& dialog = OpenDialog();
    HeadlessEdit& edit = dialog.EditControl(ids::NAME_EDIT);

    dialog.TypeText(ids::NAME_EDIT, "Ouvertüre");
    dialog.PressBackspace(ids::NAME_EDIT);
    EXPECT_EQ(edit.Text(), "Ouvertür");
    dialog.ReplaceText(ids::NAME_EDIT, "Coda");
    EXPECT_EQ(edit.Text(), "Coda");
    EXPECT_EQ(edit.Selection(), (TextSelection{4, 4}));
    dialog.ReplaceText(ids::NAME_EDIT, "");
    EXPECT_EQ(edit.Text(), "");
    EXPECT_TRUE(edit.GetModify());
}

TEST_F(HeadlessSystemTest, ClickBelowTheRowsTakesTheSelectionAway) {
    HeadlessDialog& dialog = OpenDialog();
    HeadlessListView& list = dialog.ListControl(ids::ROWS_LIST);
    list.InsertColumn(0, "Track", 200);
    list.InsertItem(0, "one", 0, 1);
    list.InsertItem(1, "two", 0, 2);
    dialog.ClickListRow(ids::ROWS_LIST, 1);
    EXPECT_EQ(list.FirstSelectedItem(), 1);

    dialog.ClickListRow(ids::ROWS_LIST, 5);

    EXPECT_EQ(list.FirstSelectedItem(), -1);
    EXPECT_EQ(m_handler.Count(window::WM_NOTIFY, window::NM_CLICK, ids::ROWS_LIST), 2);
    EXPECT_EQ(dialog.CursorPositionIn(ids::ROWS_LIST).y,
              dialog.RowPoint(ids::ROWS_LIST, 5).y + HeadlessListView::ROW_HEIGHT / 2);
}

TEST_F(HeadlessSystemTest, TabSkipsDisabledControlsAndGoesRound) {
    HeadlessDialog& dialog = OpenDialog();
    ASSERT_EQ(dialog.FocusedControlId(), ids::NAME_EDIT);
    dialog.EditControl(ids::NUMBER_EDIT).SetEnabled(false);

    std::vector<int> focused;
    for (int press = 0; press < 5; ++press) {
        dialog.PressTab();
        focused.push_back(dialog.FocusedControlId());
    }

    EXPECT_THAT(focused, ElementsAre(ids::REPEAT_TOGGLE, ids::APPLY_BUTTON, ids::OTHER_BUTTON,
                                     ids::NAME_EDIT, ids::REPEAT_TOGGLE));
}

TEST_F(HeadlessSystemTest, ActionsOnAClosedDialogDoNothing) {
    HeadlessDialog& dialog = OpenDialog();
    dialog.CloseBox();
    const std::size_t seen = m_handler.received.size();

    dialog.Click(ids::OTHER_BUTTON);
    dialog.TypeText(ids::NAME_EDIT, "late");
    dialog.PressEnter();
    m_windows.AdvanceTime(1000);

    EXPECT_EQ(m_handler.received.size(), seen);
    EXPECT_EQ(dialog.Text(ids::NAME_EDIT), "");
}

}  // namespace
}  // namespace corvid::headless
