#include <gmock/gmock.h>

#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

TEST_P(WindowContract, PushLikeCheckBoxFlipsBeforeItsClickedNotice) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Button* toggle = window->GetButton(REPEAT_TOGGLE);
    ASSERT_NE(toggle, nullptr);
    EXPECT_EQ(toggle->GetCheck(), 0);

    driver->Click(REPEAT_TOGGLE);
    driver->Click(REPEAT_TOGGLE);

    const std::vector<Received> clicks = handler.Of(WM_COMMAND, BN_CLICKED, REPEAT_TOGGLE);
    ASSERT_EQ(clicks.size(), 2U);
    EXPECT_EQ(clicks[0].check, 1);
    EXPECT_EQ(clicks[1].check, 0);
    EXPECT_EQ(toggle->GetCheck(), 0);
}

TEST_P(WindowContract, SetCheckSendsNoNotice) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Button* toggle = window->GetButton(REPEAT_TOGGLE);

    toggle->SetCheck(1);

    EXPECT_EQ(toggle->GetCheck(), 1);
    EXPECT_EQ(handler.Count(WM_COMMAND, BN_CLICKED, REPEAT_TOGGLE), 0);
    driver->Click(REPEAT_TOGGLE);
    EXPECT_EQ(toggle->GetCheck(), 0);
}

TEST_P(WindowContract, PushButtonClickSendsClickedAndReadsUnchecked) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);

    driver->Click(OTHER_BUTTON);

    const std::vector<Received> clicks = handler.Of(WM_COMMAND, BN_CLICKED, OTHER_BUTTON);
    ASSERT_EQ(clicks.size(), 1U);
    EXPECT_EQ(clicks[0].check, 0);
    EXPECT_EQ(window->GetButton(OTHER_BUTTON)->GetCheck(), 0);
}

TEST_P(WindowContract, DisabledButtonIgnoresClicks) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->GetButton(OTHER_BUTTON)->SetEnabled(false);
    window->GetButton(REPEAT_TOGGLE)->SetEnabled(false);

    driver->Click(OTHER_BUTTON);
    driver->Click(REPEAT_TOGGLE);

    EXPECT_EQ(handler.Count(WM_COMMAND), 0);
    EXPECT_EQ(window->GetButton(REPEAT_TOGGLE)->GetCheck(), 0);
    window->GetButton(OTHER_BUTTON)->SetEnabled(true);
    driver->Click(OTHER_BUTTON);
    EXPECT_EQ(handler.Count(WM_COMMAND, BN_CLICKED, OTHER_BUTTON), 1);
}

TEST_P(WindowContract, ControlsOfOtherKindsAreNotFoundAsButtonsOrEdits) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);

    EXPECT_EQ(window->GetButton(NAME_EDIT), nullptr);
    EXPECT_EQ(window->GetEdit(APPLY_BUTTON), nullptr);
    EXPECT_EQ(window->GetListView(12345), nullptr);
    EXPECT_NE(window->GetStatic(CAPTION_LABEL), nullptr);
    EXPECT_EQ(window->GetStatic(CAPTION_LABEL)->Text(), "Label");
    EXPECT_EQ(window->GetButton(APPLY_BUTTON)->Text(), "Apply");
}

enum class Key { ENTER, ESCAPE };

struct KeyCase {
    const char* name;
    Key key;
    bool defaultButtonEnabled;
    bool handleCommands;  // the handler answers every command itself
    int expectedCommand;
    std::optional<int> expectedEnd;
};

const KeyCase KEY_CASES[] = {
    {"EnterClicksTheDefaultButton", Key::ENTER, true, false, APPLY_BUTTON, std::nullopt},
    {"EnterSendsOkWhenTheDefaultButtonIsDisabled", Key::ENTER, false, true, IDOK, std::nullopt},
    {"UnhandledOkEndsTheDialogWithOk", Key::ENTER, false, false, IDOK, IDOK},
    {"EscapeSendsCancel", Key::ESCAPE, true, true, IDCANCEL, std::nullopt},
    {"UnhandledCancelEndsTheDialogWithCancel", Key::ESCAPE, true, false, IDCANCEL, IDCANCEL},
};

TEST_P(WindowContract, EnterGoesToTheDefaultButtonOrOkAndEscapeToCancel) {
    for (const KeyCase& keyCase : KEY_CASES) {
        SCOPED_TRACE(keyCase.name);
        RecordingHandler handler;
        if (keyCase.handleCommands) {
            handler.respond = [](const MessageParams& message) -> MessageResult {
                return message.message == WM_COMMAND ? MessageResult(0) : std::nullopt;
            };
        }
        DialogWindow* window = OpenContractDialog(*driver, handler);
        ASSERT_NE(window, nullptr);
        window->GetButton(APPLY_BUTTON)->SetEnabled(keyCase.defaultButtonEnabled);

        if (keyCase.key == Key::ENTER) {
            driver->PressEnter(NAME_EDIT);
        } else {
            driver->PressEscape(NAME_EDIT);
        }

        const std::vector<Received> commands = handler.Of(WM_COMMAND);
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.front().params.code, BN_CLICKED);
        EXPECT_EQ(commands.front().params.controlId, keyCase.expectedCommand);
        EXPECT_EQ(driver->EndCode(), keyCase.expectedEnd);
        if (!keyCase.expectedEnd) {
            handler.respond = {};
            driver->CloseBox();
            EXPECT_EQ(driver->EndCode(), IDCANCEL);
        }
    }
}

}  // namespace
}  // namespace corvid::window::contract
