#include <gmock/gmock.h>

#include <thread>

#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

using ::testing::ElementsAre;

std::vector<int> TimerIds(const RecordingHandler& handler) {
    std::vector<int> ids;
    for (const Received& tick : handler.Of(WM_TIMER)) {
        ids.push_back(tick.params.timerId);
    }
    return ids;
}

TEST_P(WindowContract, TitleStartsAsTheCaptionAndFollowsSetTitle) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->Title(), CONTRACT_CAPTION);

    window->SetTitle("(43:07) Night Music");

    EXPECT_EQ(window->Title(), "(43:07) Night Music");
}

TEST_P(WindowContract, InitReturningTrueFocusesTheFirstTabStop) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->FocusedControlId(), NAME_EDIT);

    window->GetButton(OTHER_BUTTON)->SetFocus();
    EXPECT_EQ(window->FocusedControlId(), OTHER_BUTTON);
}

TEST_P(WindowContract, InitReturningFalseKeepsTheFocusTheHandlerChose) {
    RecordingHandler handler;
    handler.focusFirstTabStop = false;
    handler.onInit = [](DialogWindow& window) { window.GetButton(APPLY_BUTTON)->SetFocus(); };
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(window->FocusedControlId(), APPLY_BUTTON);
}

TEST_P(WindowContract, TimerTicksOncePerPeriodOfManualTime) {
    RecordingHandler handler;
    handler.onInit = [](DialogWindow& window) { window.SetTimer(1, 200); };
    ASSERT_NE(OpenContractDialog(*driver, handler), nullptr);

    driver->AdvanceTime(199);
    EXPECT_EQ(handler.Count(WM_TIMER), 0);
    driver->AdvanceTime(1);
    EXPECT_EQ(handler.Count(WM_TIMER), 1);
    driver->AdvanceTime(1000);
    EXPECT_THAT(TimerIds(handler), ElementsAre(1, 1, 1, 1, 1, 1));
}

TEST_P(WindowContract, TimersTickInTheOrderTheyFallDue) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->SetTimer(1, 200);
    window->SetTimer(7, 350);

    driver->AdvanceTime(750);

    EXPECT_THAT(TimerIds(handler), ElementsAre(1, 7, 1, 1, 7));
}

TEST_P(WindowContract, KillTimerStopsItsTicks) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->SetTimer(1, 200);
    driver->AdvanceTime(400);

    window->KillTimer(1);
    driver->AdvanceTime(1000);

    EXPECT_EQ(handler.Count(WM_TIMER), 2);
}

TEST_P(WindowContract, TimerCanBeKilledFromItsOwnTick) {
    RecordingHandler handler;
    handler.respond = [&handler](const MessageParams& message) -> MessageResult {
        if (message.message == WM_TIMER) {
            handler.window->KillTimer(message.timerId);
            return 0;
        }
        return std::nullopt;
    };
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->SetTimer(1, 200);

    driver->AdvanceTime(1000);

    EXPECT_EQ(handler.Count(WM_TIMER), 1);
}

TEST_P(WindowContract, TimerTicksWhileAMessageBoxIsOpen) {
    RecordingHandler handler;
    bool insideBox = false;
    int ticksInsideBox = 0;
    handler.respond = [&](const MessageParams& message) -> MessageResult {
        if (message.message == WM_TIMER && insideBox) {
            ++ticksInsideBox;
        }
        if (message.message == WM_COMMAND && message.controlId == OTHER_BUTTON) {
            insideBox = true;
            handler.window->ShowMessageBox("Save the track list?", MessageBoxButtons::YES_NO);
            insideBox = false;
            return 0;
        }
        return std::nullopt;
    };
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->SetTimer(1, 200);
    driver->AnswerNextMessageBox(MessageBoxAnswer::NO, [this] { driver->AdvanceTime(600); });

    driver->Click(OTHER_BUTTON);

    EXPECT_EQ(ticksInsideBox, 3);
    EXPECT_EQ(driver->MessageBoxCount(), 1);
}

struct BoxCase {
    const char* name;
    MessageBoxButtons buttons;
    MessageBoxAnswer answer;
};

const BoxCase BOX_CASES[] = {
    {"OkBox", MessageBoxButtons::OK, MessageBoxAnswer::OK},
    {"YesNoAnsweredYes", MessageBoxButtons::YES_NO, MessageBoxAnswer::YES},
    {"YesNoAnsweredNo", MessageBoxButtons::YES_NO, MessageBoxAnswer::NO},
};

TEST_P(WindowContract, MessageBoxReturnsTheUsersAnswer) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    int shown = 0;
    for (const BoxCase& box : BOX_CASES) {
        SCOPED_TRACE(box.name);
        const std::string text = std::string("Question ") + box.name;
        driver->AnswerNextMessageBox(box.answer);

        EXPECT_EQ(window->ShowMessageBox(text, box.buttons), box.answer);
        EXPECT_EQ(driver->LastMessageBoxText(), text);
        EXPECT_EQ(driver->MessageBoxCount(), ++shown);
    }
}

TEST_P(WindowContract, MessageBoxOfNoWindowReturnsTheUsersAnswer) {
    driver->AnswerNextMessageBox(MessageBoxAnswer::OK);

    EXPECT_EQ(driver->System().ShowMessageBox("No drive", MessageBoxButtons::OK),
              MessageBoxAnswer::OK);
    EXPECT_EQ(driver->LastMessageBoxText(), "No drive");
}

TEST_P(WindowContract, FileDialogReturnsTheChosenPathOrNoneWhenCancelled) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    const FileDialogRequest request{
        .kind = FileDialogKind::SAVE,
        .filter = "Track list files (*.trk)|*.trk|All Files (*.*)|*.*||",
        .defaultExtension = "*.trk",
        .initialName = "Night Music.trk"};

    driver->AnswerNextFileDialog("/tmp/corvid-contract/Night Music.trk");
    EXPECT_EQ(window->ShowFileDialog(request), "/tmp/corvid-contract/Night Music.trk");
    driver->AnswerNextFileDialog(std::nullopt);
    EXPECT_EQ(window->ShowFileDialog(request), std::nullopt);
}

TEST_P(WindowContract, EndDialogDuringInitClosesOnceInitReturns) {
    RecordingHandler handler;
    bool initFinished = false;
    handler.onInit = [&](DialogWindow& window) {
        window.EndDialog(IDCANCEL);
        window.GetEdit(NAME_EDIT)->SetText("still running");
        initFinished = true;
    };

    EXPECT_EQ(OpenContractDialog(*driver, handler), nullptr);

    EXPECT_TRUE(initFinished);
    EXPECT_EQ(driver->EndCode(), IDCANCEL);
    EXPECT_EQ(handler.Count(WM_DESTROY), 1);
    EXPECT_THAT(ChangeTexts(handler, NAME_EDIT), ElementsAre("still running"));
}

TEST_P(WindowContract, UnhandledCloseBoxBecomesCancel) {
    RecordingHandler handler;
    ASSERT_NE(OpenContractDialog(*driver, handler), nullptr);

    driver->CloseBox();

    EXPECT_EQ(handler.Count(WM_CLOSE), 1);
    EXPECT_EQ(handler.Count(WM_COMMAND, BN_CLICKED, IDCANCEL), 1);
    EXPECT_EQ(driver->EndCode(), IDCANCEL);
}

TEST_P(WindowContract, HandledCloseBoxKeepsTheDialogUntilItEndsItself) {
    RecordingHandler handler;
    handler.respond = [&handler](const MessageParams& message) -> MessageResult {
        if (message.message == WM_CLOSE) {
            return 0;
        }
        if (message.message == WM_COMMAND && message.controlId == OTHER_BUTTON) {
            handler.window->EndDialog(IDOK);
            return 0;
        }
        return std::nullopt;
    };
    ASSERT_NE(OpenContractDialog(*driver, handler), nullptr);

    driver->CloseBox();
    EXPECT_EQ(driver->EndCode(), std::nullopt);
    EXPECT_EQ(handler.Count(WM_COMMAND, BN_CLICKED, IDCANCEL), 0);

    driver->Click(OTHER_BUTTON);
    EXPECT_EQ(driver->EndCode(), IDOK);
}

TEST_P(WindowContract, DestroyComesLastWithTheControlsStillThere) {
    RecordingHandler handler;
    std::string textAtDestroy;
    handler.respond = [&](const MessageParams& message) -> MessageResult {
        if (message.message == WM_DESTROY) {
            textAtDestroy = handler.window->GetEdit(NAME_EDIT)->Text();
        }
        return std::nullopt;
    };
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->GetEdit(NAME_EDIT)->SetText("kept");
    window->SetTimer(1, 200);

    driver->CloseBox();
    driver->AdvanceTime(1000);

    EXPECT_EQ(textAtDestroy, "kept");
    ASSERT_FALSE(handler.received.empty());
    EXPECT_EQ(handler.received.back().params.message, WM_DESTROY);
    EXPECT_EQ(handler.Count(WM_DESTROY), 1);
    EXPECT_EQ(handler.Count(WM_TIMER), 0);
}

TEST_P(WindowContract, PostMciNotifyArrivesAsMciNotifyOnDeliverPending) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);

    window->PostMciNotify(MciNotifyCode::Superseded);
    EXPECT_EQ(handler.Count(MM_MCINOTIFY), 0) << "never delivered inside PostMciNotify";
    std::thread player([window] { window->PostMciNotify(MciNotifyCode::Successful); });
    player.join();
    driver->DeliverPending();

    const std::vector<Received> notices = handler.Of(MM_MCINOTIFY);
    ASSERT_EQ(notices.size(), 2U);
    EXPECT_EQ(notices[0].params.mciCode, MciNotifyCode::Superseded);
    EXPECT_EQ(notices[1].params.mciCode, MciNotifyCode::Successful);
}

TEST_P(WindowContract, EndDialogFromAHandlerEndsAfterThatMessage) {
    RecordingHandler handler;
    handler.respond = [&handler](const MessageParams& message) -> MessageResult {
        if (message.message == WM_COMMAND && message.controlId == APPLY_BUTTON) {
            handler.window->EndDialog(42);
            handler.window->GetEdit(NAME_EDIT)->SetText("after end");
            return 0;
        }
        return std::nullopt;
    };
    ASSERT_NE(OpenContractDialog(*driver, handler), nullptr);

    driver->Click(APPLY_BUTTON);

    EXPECT_EQ(driver->EndCode(), 42);
    EXPECT_THAT(ChangeTexts(handler, NAME_EDIT), ElementsAre("after end"));
    EXPECT_EQ(handler.Count(WM_DESTROY), 1);
}

}  // namespace
}  // namespace corvid::window::contract
