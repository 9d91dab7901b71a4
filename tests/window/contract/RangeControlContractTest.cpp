#include <gmock/gmock.h>

#include "tests/window/contract/ContractSteps.h"
#include "tests/window/contract/WindowContract.h"

namespace corvid::window::contract {
namespace {

using ::testing::ElementsAre;

// A handler that answers every UDN_DELTAPOS with `answer`.
void AnswerDeltaPos(RecordingHandler& handler, MessageResult answer) {
    handler.respond = [answer](const MessageParams& message) -> MessageResult {
        return message.code == UDN_DELTAPOS ? answer : std::nullopt;
    };
}

struct ProposalCase {
    const char* name;
    bool setRange;
    int lower;
    int upper;
    Arrow arrow;
    int expectedDelta;
};

const ProposalCase PROPOSAL_CASES[] = {
    {"NewControlUpArrowProposesMinusOne", false, 0, 0, Arrow::UP, -1},
    {"NewControlDownArrowProposesPlusOne", false, 0, 0, Arrow::DOWN, +1},
    {"RisingRangeUpArrowProposesPlusOne", true, 0, 59, Arrow::UP, +1},
    {"RisingRangeDownArrowProposesMinusOne", true, 0, 59, Arrow::DOWN, -1},
    {"FallingRangeUpArrowProposesMinusOne", true, 74, 0, Arrow::UP, -1},
};

TEST_P(WindowContract, UpDownArrowProposesOneStepByTheRangeDirection) {
    for (const ProposalCase& proposal : PROPOSAL_CASES) {
        SCOPED_TRACE(proposal.name);
        RecordingHandler handler;
        AnswerDeltaPos(handler, 1);
        DialogWindow* window = OpenContractDialog(*driver, handler);
        ASSERT_NE(window, nullptr);
        UpDown* spin = window->GetUpDown(STOP_SPIN);
        ASSERT_NE(spin, nullptr);
        if (proposal.setRange) {
            spin->SetRange(proposal.lower, proposal.upper);
        }
        spin->SetPosition(proposal.setRange ? 30 : 0);

        driver->ClickArrow(STOP_SPIN, proposal.arrow);

        const std::vector<Received> proposals = handler.Of(WM_NOTIFY, UDN_DELTAPOS, STOP_SPIN);
        ASSERT_EQ(proposals.size(), 1U);
        EXPECT_EQ(proposals[0].params.upDown.delta, proposal.expectedDelta);
        EXPECT_EQ(proposals[0].params.upDown.position, spin->Position());
        handler.respond = {};
        driver->CloseBox();
    }
}

TEST_P(WindowContract, UpDownRefusedProposalKeepsThePosition) {
    RecordingHandler handler;
    AnswerDeltaPos(handler, 1);
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    UpDown* spin = window->GetUpDown(STOP_SPIN);
    spin->SetRange(0, 59);
    spin->SetPosition(30);

    driver->ClickArrow(STOP_SPIN, Arrow::UP);
    driver->ClickArrow(STOP_SPIN, Arrow::DOWN);

    EXPECT_EQ(spin->Position(), 30);
    EXPECT_EQ(handler.Count(WM_NOTIFY, UDN_DELTAPOS, STOP_SPIN), 2);
}

TEST_P(WindowContract, UpDownProposalAtTheEndStillReachesTheHandler) {
    RecordingHandler handler;
    AnswerDeltaPos(handler, 1);
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);

    for (int click = 0; click < 3; ++click) {
        driver->ClickArrow(STOP_SPIN, Arrow::UP);
    }

    const std::vector<Received> proposals = handler.Of(WM_NOTIFY, UDN_DELTAPOS, STOP_SPIN);
    ASSERT_EQ(proposals.size(), 3U);
    for (const Received& proposal : proposals) {
        EXPECT_EQ(proposal.params.upDown.position, 0);
        EXPECT_EQ(proposal.params.upDown.delta, -1);
    }
}

struct MoveCase {
    const char* name;
    int spinId;
    int position;
    Arrow arrow;
    int expected;
};

const MoveCase MOVE_CASES[] = {
    {"AcceptedStepMoves", STOP_SPIN, 30, Arrow::UP, 31},
    {"WithoutWrapStopsAtTheTop", STOP_SPIN, 59, Arrow::UP, 59},
    {"WithoutWrapStopsAtTheBottom", STOP_SPIN, 0, Arrow::DOWN, 0},
    {"WrapGoesFromTheTopToTheBottom", WRAP_SPIN, 59, Arrow::UP, 0},
    {"WrapGoesFromTheBottomToTheTop", WRAP_SPIN, 0, Arrow::DOWN, 59},
};

TEST_P(WindowContract, UpDownAcceptedProposalMovesAndWrapsOnlyWithWrap) {
    RecordingHandler handler;
    AnswerDeltaPos(handler, 0);
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    for (const MoveCase& move : MOVE_CASES) {
        SCOPED_TRACE(move.name);
        UpDown* spin = window->GetUpDown(move.spinId);
        spin->SetRange(0, 59);
        spin->SetPosition(move.position);

        driver->ClickArrow(move.spinId, move.arrow);

        EXPECT_EQ(spin->Position(), move.expected);
    }
}

TEST_P(WindowContract, UpDownPositionIsSigned16BitAndKeptWithinTheRange) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    UpDown* spin = window->GetUpDown(STOP_SPIN);

    spin->SetRange(-300, 300);
    spin->SetPosition(-250);
    EXPECT_EQ(spin->Position(), -250);
    spin->SetPosition(1000);
    EXPECT_EQ(spin->Position(), 300);
    spin->SetRange(0, 74);
    spin->SetPosition(75);
    EXPECT_EQ(spin->Position(), 74);
    spin->SetPosition(-1);
    EXPECT_EQ(spin->Position(), 0);
}

TEST_P(WindowContract, DisabledUpDownSendsNoProposal) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    window->GetUpDown(STOP_SPIN)->SetEnabled(false);

    driver->ClickArrow(STOP_SPIN, Arrow::UP);

    EXPECT_EQ(handler.Count(WM_NOTIFY), 0);
}

TEST_P(WindowContract, ScrollStepSendsItsCodeAndLeavesTheThumbToTheDialog) {
    const ScrollCode codes[] = {SB_LINELEFT, SB_LINERIGHT, SB_PAGELEFT, SB_PAGERIGHT};
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ScrollBar* bar = window->GetScrollBar(POSITION_BAR);
    ASSERT_NE(bar, nullptr);
    bar->SetRange(0, 300, 10);
    bar->SetPosition(100);

    for (const ScrollCode code : codes) {
        SCOPED_TRACE(static_cast<int>(code));
        handler.received.clear();

        driver->ScrollStep(POSITION_BAR, code);

        const std::vector<Received> scrolls = handler.Of(WM_HSCROLL);
        ASSERT_FALSE(scrolls.empty());
        EXPECT_EQ(scrolls.front().params.scrollCode, code);
        EXPECT_EQ(scrolls.front().params.controlId, POSITION_BAR);
        for (const Received& scroll : scrolls) {
            EXPECT_TRUE(scroll.params.scrollCode == code ||
                        scroll.params.scrollCode == SB_ENDSCROLL);
        }
        EXPECT_EQ(bar->Position(), 100);
    }
}

TEST_P(WindowContract, DragThumbSendsThumbTrackWithThePositionItMovedTo) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ScrollBar* bar = window->GetScrollBar(POSITION_BAR);
    bar->SetRange(0, 300, 10);
    bar->SetPosition(20);

    driver->DragThumb(POSITION_BAR, 140);

    std::vector<Received> tracks;
    for (const Received& scroll : handler.Of(WM_HSCROLL)) {
        if (scroll.params.scrollCode == SB_THUMBTRACK) {
            tracks.push_back(scroll);
        }
    }
    ASSERT_FALSE(tracks.empty());
    EXPECT_EQ(tracks.back().params.thumbPosition, 140);
    EXPECT_EQ(tracks.back().position, 140) << "the thumb is already there when the notice comes";
    for (const ScrollCode code : ScrollCodes(handler)) {
        EXPECT_NE(code, SB_LINELEFT);
        EXPECT_NE(code, SB_LINERIGHT);
    }
    EXPECT_EQ(bar->Position(), 140);
}

TEST_P(WindowContract, ScrollBarPositionIsKeptWithinTheRangeLessThePage) {
    RecordingHandler handler;
    DialogWindow* window = OpenContractDialog(*driver, handler);
    ASSERT_NE(window, nullptr);
    ScrollBar* bar = window->GetScrollBar(POSITION_BAR);
    bar->SetRange(0, 100, 10);

    bar->SetPosition(-5);
    EXPECT_EQ(bar->Position(), 0);
    bar->SetPosition(50);
    EXPECT_EQ(bar->Position(), 50);
    bar->SetPosition(200);
    EXPECT_EQ(bar->Position(), 91) << "a page of 10 ends at the maximum 100";
    EXPECT_EQ(handler.Count(WM_HSCROLL), 0) << "the program's moves send nothing";
}

}  // namespace
}  // namespace corvid::window::contract
