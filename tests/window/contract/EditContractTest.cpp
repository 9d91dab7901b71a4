#include <gmock/gmock.h>

#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

using ::testing::ElementsAre;

TEST_P(WindowContract, EditSetTextSendsChangeBeforeItReturns) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NAME_EDIT);
    ASSERT_NE(edit, nullptr);

    edit->SetText("Overture");

    EXPECT_THAT(ChangeTexts(handler, NAME_EDIT), ElementsAre("Overture"));
    EXPECT_EQ(edit->Text(), "Overture");
}

TEST_P(WindowContract, EditSetTextOfTheSameTextStillSendsChange) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NUMBER_EDIT);
    edit->SetText("07");

    edit->SetText("07");
    edit->SetText("07");

    EXPECT_THAT(ChangeTexts(handler, NUMBER_EDIT), ElementsAre("07", "07", "07"));
}

TEST_P(WindowContract, EditChangeFromSetTextDuringInitReachesTheHandler) {
    RecordingHandler handler;
    handler.onInit = [](DialogWindow& window) { window.GetEdit(NAME_EDIT)->SetText("Start"); };
    ASSERT_NE(OpenContractDialog(*driver, handler), nullptr);

    EXPECT_THAT(ChangeTexts(handler, NAME_EDIT), ElementsAre("Start"));
}

TEST_P(WindowContract, EditTypingSetsModifiedAndSetTextClearsIt) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NAME_EDIT);
    EXPECT_FALSE(edit->GetModify());

    driver->Type(NAME_EDIT, "ab");
    ASSERT_TRUE(edit->GetModify());
    edit->SetText("cd");
    ASSERT_FALSE(edit->GetModify());

    const std::vector<Received> changes = handler.Of(WM_COMMAND, EN_CHANGE, NAME_EDIT);
    ASSERT_EQ(changes.size(), 3U);
    EXPECT_TRUE(changes[0].modified);
    EXPECT_TRUE(changes[1].modified);
    EXPECT_FALSE(changes[2].modified) << "the flag is cleared before the notice of SetText";
}

TEST_P(WindowContract, EditSetModifyIsReadBack) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NAME_EDIT);

    edit->SetModify(true);
    EXPECT_TRUE(edit->GetModify());
    edit->SetModify(false);
    EXPECT_FALSE(edit->GetModify());
}

TEST_P(WindowContract, EditTypingSendsOneChangePerCharacter) {
    RecordingHandler handler;
    ASSERT_NE(OpenContractDialog(*driver, handler), nullptr);

    driver->Type(NAME_EDIT, "Tön");

    EXPECT_THAT(ChangeTexts(handler, NAME_EDIT), ElementsAre("T", "Tö", "Tön"));
}

TEST_P(WindowContract, EditTypingAppendsAfterSetTextAndReplacesAfterSelectAll) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NAME_EDIT);

    edit->SetText("Intro");
    driver->Type(NAME_EDIT, "!");
    EXPECT_EQ(edit->Text(), "Intro!");

    edit->SelectAll();
    driver->Type(NAME_EDIT, "Coda");
    EXPECT_EQ(edit->Text(), "Coda");
}

struct LimitCase {
    const char* name;
    int limit;
    const char* typed;
    const char* set;
    const char* typedResult;
    const char* setResult;
};

const LimitCase LIMIT_CASES[] = {
    {"TwoDigits", 2, "12345", "98765", "12", "98"},
    {"CountsCodePointsNotBytes", 3, "äöüß", "éèêë", "äöü", "éèê"},
    {"ShorterTextIsWhole", 10, "abc", "xyz", "abc", "xyz"},
};

TEST_P(WindowContract, EditLimitStopsTypingAndCutsSetText) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NAME_EDIT);
    for (const LimitCase& limitCase : LIMIT_CASES) {
        SCOPED_TRACE(limitCase.name);
        edit->SetText("");
        edit->SetLimitText(limitCase.limit);

        driver->Type(NAME_EDIT, limitCase.typed);
        EXPECT_EQ(edit->Text(), limitCase.typedResult);
        edit->SetText(limitCase.set);
        EXPECT_EQ(edit->Text(), limitCase.setResult);
    }
}

TEST_P(WindowContract, NumberEditTakesOnlyDigitsFromTheKeyboard) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NUMBER_EDIT);

    driver->Type(NUMBER_EDIT, "1a-2 ");
    EXPECT_EQ(edit->Text(), "12");
    EXPECT_THAT(ChangeTexts(handler, NUMBER_EDIT), ElementsAre("1", "12"));

    edit->SetText("x9");
    EXPECT_EQ(edit->Text(), "x9") << "the program may set any text";
}

TEST_P(WindowContract, DisabledEditIgnoresTypingButTakesSetText) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    Edit* edit = window->GetEdit(NAME_EDIT);
    edit->SetEnabled(false);
    EXPECT_FALSE(edit->IsEnabled());

    driver->Type(NAME_EDIT, "abc");
    EXPECT_EQ(edit->Text(), "");
    EXPECT_FALSE(edit->GetModify());

    edit->SetText("set");
    EXPECT_THAT(ChangeTexts(handler, NAME_EDIT), ElementsAre("set"));
}

}  // namespace
}  // namespace corvid::window::contract
