#include <gmock/gmock.h>

#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QMenu>
#include <QTest>
#include <QTimer>
#include <QToolTip>
#include <QWindow>
#include <cstddef>
#include <utility>
#include <vector>

#include "platform/qt/QtUpDown.h"
#include "res/ControlIds.h"
#include "res/PlayerDialogTemplate.h"
#include "tests/window/contract/ContractDialog.h"
#include "tests/window/contract/RecordingHandler.h"
#include "tests/window/qt/QtContractDriver.h"
#include "tests/window/qt/QtDialogTest.h"

namespace corvid::window::qt {
namespace {

using contract::RecordingHandler;
using ::testing::ElementsAre;

constexpr int FAILSAFE_MILLISECONDS = 5000;

std::vector<int> SystemCommands(const RecordingHandler& handler) {
    std::vector<int> commands;
    for (const contract::Received& each : handler.Of(WM_SYSCOMMAND)) {
        commands.push_back(each.params.systemCommand);
    }
    return commands;
}

using QtWindowManager = QtDialogTest;

TEST_F(QtWindowManager, ContextMenuEntrySendsItsCommand) {
    DialogWindow& window = Open();
    window.AddMenuCommand(0, "");
    window.AddMenuCommand(res::IDM_ABOUTBOX, "&About CorvidPlayer...");
    QtDialog& dialog = driver.Current();

    const QPoint inside(5, dialog.height() - 5);
    QContextMenuEvent request(QContextMenuEvent::Mouse, inside, dialog.mapToGlobal(inside));
    QApplication::sendEvent(&dialog, &request);
    QMenu* menu = nullptr;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return (menu = qobject_cast<QMenu*>(QApplication::activePopupWidget())); },
        FAILSAFE_MILLISECONDS));
    ASSERT_EQ(menu->actions().size(), 2);
    EXPECT_TRUE(menu->actions()[0]->isSeparator());
    QAction* about = menu->actions()[1];
    QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(about).center());

    EXPECT_THAT(SystemCommands(handler), ElementsAre(res::IDM_ABOUTBOX));
    EXPECT_EQ(driver.EndCode(), std::nullopt);
}

TEST_F(QtWindowManager, MinimizeAndRestoreByTheWindowManagerReachTheHandler) {
    DialogWindow& window = Open();
    QWindow* native = driver.Current().windowHandle();
    ASSERT_NE(native, nullptr);

    native->showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return SystemCommands(handler).size() == 1; },
                                FAILSAFE_MILLISECONDS));
    EXPECT_TRUE(window.IsMinimized());
    native->showNormal();
    ASSERT_TRUE(QTest::qWaitFor([&] { return SystemCommands(handler).size() == 2; },
                                FAILSAFE_MILLISECONDS));
    EXPECT_FALSE(window.IsMinimized());

    EXPECT_THAT(SystemCommands(handler), ElementsAre(SC_MINIMIZE, SC_RESTORE));
}

TEST_F(QtWindowManager, TheProgramsOwnMinimizeSendsNoCommand) {
    DialogWindow& window = Open();

    window.Minimize();
    EXPECT_TRUE(window.IsMinimized());
    window.Restore();
    EXPECT_FALSE(window.IsMinimized());
    driver.DeliverPending();

    EXPECT_TRUE(SystemCommands(handler).empty());
}

TEST_F(QtWindowManager, MaximizeBecomesTheHandlersCommandAndTheWindowStaysNormal) {
    Open();
    QtDialog& dialog = driver.Current();
    const QSize before = dialog.size();

    dialog.windowHandle()->showMaximized();
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return !SystemCommands(handler).empty(); }, FAILSAFE_MILLISECONDS));
    driver.DeliverPending();

    EXPECT_THAT(SystemCommands(handler), ElementsAre(SC_MAXIMIZE));
    EXPECT_FALSE(dialog.isMaximized());
    EXPECT_EQ(dialog.size(), before);
}

TEST_F(QtWindowManager, OuterSizeReadAtInitSetsTheSameClientSizeLater) {
    Size measured;
    handler.onInit = [&measured](DialogWindow& window) { measured = window.OuterSize(); };
    DialogWindow& window = Open(res::PLAYER_DIALOG);
    QtDialog& dialog = driver.Current();

    window.SetOuterSize({measured.width, measured.height - 331});
    EXPECT_EQ(dialog.size(), QSize(423, 100));
    EXPECT_EQ(window.OuterSize().height, measured.height - 331);
    window.SetOuterSize(measured);
    EXPECT_EQ(dialog.size(), QSize(423, 431));
}

TEST_F(QtWindowManager, TopmostAndToolWindowChangeTheFlagsAndKeepTheWindowShown) {
    DialogWindow& window = Open();
    QtDialog& dialog = driver.Current();

    window.SetToolWindow(true);
    window.SetTopmost(true);
    EXPECT_EQ(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Tool);
    EXPECT_TRUE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.isVisible());
    window.SetToolWindow(false);
    window.SetTopmost(false);
    EXPECT_EQ(dialog.windowFlags() & Qt::WindowType_Mask, Qt::Dialog);
    EXPECT_FALSE(dialog.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.size(), QSize(315, 309));
}

// DoModal runs the real loop: changing the flags hides the window for a
// moment, which must not end the loop.
TEST(QtModalLoop, ChangingTheFlagsInsideDoModalKeepsTheLoopRunning) {
    ManualTimerSource timers;
    QtWindowSystem system(QtWindowSystemOptions{}, timers);
    RecordingHandler handler;
    bool flagsChanged = false;
    handler.onInit = [&](DialogWindow& window) {
        QMetaObject::invokeMethod(
            qApp,
            [&window, &flagsChanged] {
                window.SetTopmost(true);
                window.SetToolWindow(true);
                flagsChanged = true;
                QMetaObject::invokeMethod(
                    qApp, [&window] { window.EndDialog(7); }, Qt::QueuedConnection);
            },
            Qt::QueuedConnection);
    };

    EXPECT_EQ(system.DoModal(contract::CONTRACT_DIALOG, handler, nullptr), 7);
    EXPECT_TRUE(flagsChanged);
    EXPECT_EQ(handler.Count(WM_DESTROY), 1);
}

TEST(QtModalLoop, RealTimersTickInsideDoModal) {
    QtWindowSystem system(QtWindowSystemOptions{});
    RecordingHandler handler;
    handler.onInit = [](DialogWindow& window) {
        window.SetTimer(1, 5);
        // Cancelled with the window, should the ticks never come.
        QTimer::singleShot(FAILSAFE_MILLISECONDS, dynamic_cast<QObject*>(&window),
                           [&window] { window.EndDialog(-1); });
    };
    handler.respond = [&handler](const MessageParams& message) -> MessageResult {
        if (message.message == WM_TIMER && handler.Count(WM_TIMER) == 3) {
            handler.window->EndDialog(3);
        }
        return std::nullopt;
    };

    EXPECT_EQ(system.DoModal(contract::CONTRACT_DIALOG, handler, nullptr), 3);
    EXPECT_EQ(handler.Count(WM_TIMER), 3) << "no tick after the end";
}

TEST(QtModalLoop, EndDialogDuringInitReturnsWithoutShowingTheWindow) {
    QtWindowSystem system(QtWindowSystemOptions{});
    RecordingHandler handler;
    handler.onInit = [](DialogWindow& window) { window.EndDialog(IDCANCEL); };

    EXPECT_EQ(system.DoModal(contract::CONTRACT_DIALOG, handler, nullptr), IDCANCEL);
    EXPECT_EQ(handler.Count(WM_DESTROY), 1);
}

// The program reads the font configuration ahead on another thread; the
// first window's texts must not be measured before that reading is done.
TEST(QtModalLoop, WorkForTheFirstWindowRunsOnceBeforeAnyWindowIsMade) {
    std::vector<std::size_t> windowsWhenRun;
    QtWindowSystemOptions options;
    options.beforeFirstWindow = [&windowsWhenRun] {
        windowsWhenRun.push_back(static_cast<std::size_t>(QApplication::topLevelWidgets().size()));
    };
    const auto windowsBefore = static_cast<std::size_t>(QApplication::topLevelWidgets().size());
    QtWindowSystem system(std::move(options));
    RecordingHandler handler;
    handler.onInit = [](DialogWindow& window) { window.EndDialog(IDOK); };

    EXPECT_EQ(system.DoModal(contract::CONTRACT_DIALOG, handler, nullptr), IDOK);
    EXPECT_EQ(system.DoModal(contract::CONTRACT_DIALOG, handler, nullptr), IDOK);
    EXPECT_EQ(windowsWhenRun, std::vector<std::size_t>{windowsBefore});
}

TEST_F(QtWindowManager, ToolTipsAskTheHandlerForTheControlsText) {
    handler.respond = [](const MessageParams& message) -> MessageResult {
        if (message.code != TTN_NEEDTEXT) {
            return std::nullopt;
        }
        message.toolTip->text = "Tip of " + std::to_string(message.controlId);
        return 1;
    };
    DialogWindow& window = Open();
    window.EnableToolTips();
    QWidget& list = driver.WidgetOf(contract::ROWS_LIST);
    auto& spin = dynamic_cast<UpDownWidget&>(driver.WidgetOf(contract::WRAP_SPIN));
    QWidget* askers[] = {&driver.WidgetOf(contract::APPLY_BUTTON),
                         list.findChildren<QWidget*>().value(0), &spin.ArrowButton(true)};
    const int ids[] = {contract::APPLY_BUTTON, contract::ROWS_LIST, contract::WRAP_SPIN};

    for (std::size_t index = 0; index < std::size(askers); ++index) {
        SCOPED_TRACE(ids[index]);
        QWidget* asker = askers[index];
        ASSERT_NE(asker, nullptr);
        const QPoint point = asker->rect().center();
        QHelpEvent help(QEvent::ToolTip, point, asker->mapToGlobal(point));
        QApplication::sendEvent(asker, &help);
        const std::vector<contract::Received> asks =
            handler.Of(WM_NOTIFY, TTN_NEEDTEXT, ids[index]);
        EXPECT_EQ(asks.size(), 1U);
        EXPECT_EQ(QToolTip::text(), QString::fromStdString("Tip of " + std::to_string(ids[index])));
    }
}

TEST_F(QtWindowManager, ToolTipsStayQuietUntilEnabled) {
    Open();
    QWidget& button = driver.WidgetOf(contract::APPLY_BUTTON);
    const QPoint point = button.rect().center();
    QHelpEvent help(QEvent::ToolTip, point, button.mapToGlobal(point));

    QApplication::sendEvent(&button, &help);

    EXPECT_EQ(handler.Count(WM_NOTIFY), 0);
}

}  // namespace
}  // namespace corvid::window::qt
