// Long random runs of the whole player window: a random user clicks every
// control, types into every edit, steps the spinners and the position bar,
// clicks and double-clicks rows, opens and closes the tray with either of two
// discs or none in it, swaps the disc with the drive's own button between two
// ticks and presses a media key right after, answers every question and file
// dialog at random (Cancel too) while the time runs and the drive's button
// takes the disc out or swaps it, restarts the program on a disc, an empty
// drive or an open tray, minimizes, restores and toggles compact mode, and
// lets the manual clock and the manual sink run for a simulated hour and
// more. After every action and tick the run checks that the list stays in
// order and is the disc's once the window has polled the drive, that no list
// and no live list control is there without a disc, that the current row
// holds the heard position, that only the edit row and the current row carry
// their marks, that Save tracks follows the modified state after each
// refresh, that no edit is lost without a question or a save, that a saved
// file holds a list shown and that no file is written under the key of no
// disc.
//
// Runs are seeded and repeatable: the same seed gives the same actions and
// the same run. A failure prints its seed and the shortest failing sequence
// that delta debugging finds, replaying from a fresh player each time.
//
// By default three seeds run 3000 actions each, over an hour of simulated
// time each. Environment variables:
//   CORVID_MODEL_SEED=N           run seed N alone
//   CORVID_MODEL_ACTIONS=N        actions per seed
//   CORVID_MODEL_SECONDS=S        run until S seconds have passed (with no
//                                 CORVID_MODEL_ACTIONS, as many actions as fit)
//   CORVID_MODEL_SHRINK_REPLAYS=N replays allowed for shrinking a failure
//   CORVID_MODEL_SHRINK_SECONDS=S time allowed for shrinking a failure
// For example, ten minutes of one seed:
//   CORVID_MODEL_SEED=11 CORVID_MODEL_SECONDS=600
//       build/release/tests/model/model_tests --gtest_filter='Seeds/*/0'
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include "tests/model/ModelActions.h"
#include "tests/model/ModelPlayer.h"
#include "tests/model/ModelShrink.h"
#include "tests/support/TemporaryFolder.h"
#include "ui/PlayerTiming.h"

namespace corvid::model {
namespace {

constexpr std::uint64_t DEFAULT_SEEDS[] = {1, 2, 3};
constexpr int DEFAULT_ACTIONS = 3000;
constexpr int DEFAULT_SHRINK_REPLAYS = 2000;
constexpr int DEFAULT_SHRINK_SECONDS = 300;
// A longer sequence is printed without the state after each action.
constexpr std::size_t LONGEST_TRACE = 300;

std::optional<std::uint64_t> EnvironmentNumber(const char* name) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0') {
        return std::nullopt;
    }
    return std::strtoull(text, nullptr, 10);
}

// An action and where it stood in the run, so that a shrunk sequence can be
// found in the whole one.
struct NumberedAction {
    int number = 0;
    Action action;
    // The last of the run's actions merged into this one.
    int lastNumber = -1;
};

std::vector<Action> ActionsOf(const std::vector<NumberedAction>& numbered) {
    std::vector<Action> actions;
    for (const NumberedAction& item : numbered) {
        actions.push_back(item.action);
    }
    return actions;
}

std::string DescribeNumbered(const std::vector<NumberedAction>& numbered) {
    std::string text;
    for (std::size_t index = 0; index < numbered.size(); ++index) {
        const NumberedAction& item = numbered[index];
        const std::string where = item.lastNumber < 0
                                      ? "action " + std::to_string(item.number + 1)
                                      : "actions " + std::to_string(item.number + 1) + " to " +
                                            std::to_string(item.lastNumber + 1);
        text += "  " + std::to_string(index + 1) + ". " + Describe(item.action) + "   (" + where +
                " of the run" + (item.lastNumber < 0 ? "" : ", merged") + ")\n";
    }
    return text;
}

// The simpler forms of an action: fewer ticks or frames, no answers or fewer,
// no tray move while a box is open.
std::vector<NumberedAction> SimplerForms(const NumberedAction& item) {
    std::vector<NumberedAction> forms;
    const Action& action = item.action;
    const bool counted = action.kind == ActionKind::PLAY_TICKS ||
                         action.kind == ActionKind::STALLED_TICKS ||
                         action.kind == ActionKind::HEAR_AHEAD;
    if (counted && action.number > 1) {
        // Ten ticks bring the window's next refresh.
        for (const int number : {1, ui::TICKS_PER_REFRESH, action.number / 2}) {
            if (number >= action.number) {
                continue;
            }
            NumberedAction form = item;
            form.action.number = number;
            forms.push_back(form);
        }
    }
    const Answers& answers = action.answers;
    if (!answers.boxes.empty() || !answers.files.empty()) {
        NumberedAction form = item;
        form.action.answers = Answers{};
        forms.push_back(form);
    }
    if (answers.trayWhileOpen != TrayMove::NONE) {
        NumberedAction form = item;
        form.action.answers.trayWhileOpen = TrayMove::NONE;
        forms.push_back(form);
    }
    // A refresh comes within ten ticks.
    for (const int ticks : {0, ui::TICKS_PER_REFRESH}) {
        if (answers.ticksWhileOpen > ticks) {
            NumberedAction form = item;
            form.action.answers.ticksWhileOpen = ticks;
            forms.push_back(form);
        }
    }
    if (action.answers.boxes.size() > 1 || action.answers.files.size() > 1) {
        NumberedAction form = item;
        form.action.answers.boxes.resize(std::min<std::size_t>(action.answers.boxes.size(), 1));
        form.action.answers.files.resize(std::min<std::size_t>(action.answers.files.size(), 1));
        forms.push_back(form);
    }
    return forms;
}

// Two runs of ticks of the same kind as one.
std::optional<NumberedAction> Merged(const NumberedAction& first, const NumberedAction& second) {
    const ActionKind kind = first.action.kind;
    const bool ticks = kind == ActionKind::PLAY_TICKS || kind == ActionKind::STALLED_TICKS;
    if (!ticks || second.action.kind != kind) {
        return std::nullopt;
    }
    NumberedAction merged = first;
    merged.action.number += second.action.number;
    merged.lastNumber = second.lastNumber < 0 ? second.number : second.lastNumber;
    return merged;
}

std::vector<NumberedAction> Shrink(const ModelDiscs& discs, std::vector<NumberedAction> run,
                                   Invariant invariant) {
    const FailureTest<NumberedAction> fails = [&discs, invariant](const auto& candidate) {
        const std::vector<Action> actions = ActionsOf(candidate);
        const std::optional<Failure> failure = Replay(discs, actions);
        return failure && failure->invariant == invariant;
    };
    ShrinkBudget budget{
        static_cast<int>(
            EnvironmentNumber("CORVID_MODEL_SHRINK_REPLAYS").value_or(DEFAULT_SHRINK_REPLAYS)),
        std::chrono::steady_clock::now() +
            std::chrono::seconds(
                EnvironmentNumber("CORVID_MODEL_SHRINK_SECONDS").value_or(DEFAULT_SHRINK_SECONDS))};
    run = DropUnneeded(std::move(run), fails, budget);
    run = MergeNeighbours<NumberedAction>(std::move(run), fails, Merged, budget);
    return SimplifyEach<NumberedAction>(std::move(run), fails, SimplerForms, budget);
}

class PlayerModelTest : public ::testing::TestWithParam<int> {
  protected:
    corvid::testing::TemporaryFolder m_images{"corvid-model-discs"};
    ModelDiscs m_discs{m_images.Path()};
};

TEST_P(PlayerModelTest, ARandomUserKeepsTheInvariants) {
    const std::optional<std::uint64_t> chosenSeed = EnvironmentNumber("CORVID_MODEL_SEED");
    if (chosenSeed && GetParam() != 0) {
        GTEST_SKIP() << "CORVID_MODEL_SEED runs one seed";
    }
    const std::uint64_t seed = chosenSeed.value_or(DEFAULT_SEEDS[GetParam()]);
    const std::optional<std::uint64_t> seconds = EnvironmentNumber("CORVID_MODEL_SECONDS");
    const std::uint64_t actionLimit =
        EnvironmentNumber("CORVID_MODEL_ACTIONS").value_or(seconds ? UINT64_MAX : DEFAULT_ACTIONS);

    const auto started = std::chrono::steady_clock::now();
    const auto elapsed = [started] {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    };
    ActionSource source(seed);
    std::vector<NumberedAction> run;
    std::optional<Failure> failure;
    RunStats stats;
    {
        ModelPlayer player(m_discs);
        while (run.size() < actionLimit &&
               (!seconds || elapsed() < static_cast<double>(*seconds))) {
            run.push_back({static_cast<int>(run.size()), source.Next()});
            failure = player.Apply(run.back().action, run.back().number);
            if (failure) {
                break;
            }
        }
        stats = player.Stats();
    }
    const double runSeconds = elapsed();
    std::cout << "seed " << seed << ": " << stats.Summary() << "; " << runSeconds << " s, "
              << static_cast<double>(stats.actions) / runSeconds << " actions/s\n";
    EXPECT_GT(stats.currentRowChecks, 0) << "the current row was never checked";
    if (!failure) {
        return;
    }
    run.resize(static_cast<std::size_t>(failure->actionIndex) + 1);
    const std::vector<NumberedAction> shortest = Shrink(m_discs, run, failure->invariant);
    std::string trace = "  (not kept for so long a sequence)\n";
    const bool traced = shortest.size() <= LONGEST_TRACE;
    if (traced) {
        trace.clear();
    }
    const std::optional<Failure> shortFailure =
        Replay(m_discs, ActionsOf(shortest), nullptr, traced ? &trace : nullptr);
    FAIL() << "seed " << seed << ": \"" << InvariantName(failure->invariant)
           << "\" broke at action " << failure->actionIndex + 1 << ": " << failure->detail
           << "\nthe shortest failing sequence found (" << shortest.size() << " actions):\n"
           << DescribeNumbered(shortest) << "which ends with: "
           << (shortFailure ? shortFailure->detail : std::string("no failure"))
           << "\nits replay, with the state after each action:\n"
           << trace;
}

INSTANTIATE_TEST_SUITE_P(Seeds, PlayerModelTest, ::testing::Range(0, 3));

TEST(PlayerModelReplayTest, TheSameActionsShowTheSameWindowOnEveryReplay) {
    corvid::testing::TemporaryFolder images("corvid-model-discs");
    const ModelDiscs discs(images.Path());
    ActionSource source(7);
    std::vector<Action> actions;
    for (int index = 0; index < 300; ++index) {
        actions.push_back(source.Next());
    }
    const auto fingerprints = [&discs, &actions] {
        std::vector<std::string> seen;
        ModelPlayer player(discs);
        for (std::size_t index = 0; index < actions.size(); ++index) {
            if (player.Apply(actions[index], static_cast<int>(index))) {
                break;
            }
            seen.push_back(player.Fingerprint());
        }
        return seen;
    };
    const std::vector<std::string> first = fingerprints();
    const std::vector<std::string> second = fingerprints();
    ASSERT_EQ(first.size(), second.size());
    for (std::size_t index = 0; index < first.size(); ++index) {
        ASSERT_EQ(first[index], second[index])
            << "after action " << index + 1 << ": " << Describe(actions[index]);
    }
}

TEST(ActionSourceTest, ASeedAlwaysGivesTheSameActionsAndAnotherSeedOthers) {
    ActionSource first(5);
    ActionSource again(5);
    ActionSource other(6);
    std::string firstText;
    std::string againText;
    std::string otherText;
    for (int index = 0; index < 200; ++index) {
        firstText += Describe(first.Next()) + "\n";
        againText += Describe(again.Next()) + "\n";
        otherText += Describe(other.Next()) + "\n";
    }
    EXPECT_EQ(firstText, againText);
    EXPECT_NE(firstText, otherText);
}

TEST(ModelShrinkTest, KeepsOnlyTheItemsTheFailureNeeds) {
    std::vector<int> items;
    for (int item = 0; item < 100; ++item) {
        items.push_back(item);
    }
    // Fails when 17 comes before 42 and 63 is there too.
    const FailureTest<int> fails = [](const std::vector<int>& candidate) {
        const auto at = [&candidate](int item) {
            return std::find(candidate.begin(), candidate.end(), item) - candidate.begin();
        };
        const auto size = static_cast<std::ptrdiff_t>(candidate.size());
        return at(17) < at(42) && at(42) < size && at(63) < size;
    };
    ShrinkBudget budget{1000, std::nullopt};
    EXPECT_EQ(DropUnneeded(items, fails, budget), (std::vector<int>{17, 42, 63}));
    EXPECT_FALSE(budget.Spent());
}

TEST(ModelShrinkTest, StopsWhenItsBudgetIsSpentWithARunThatStillFails) {
    std::vector<int> items(64, 0);
    items[50] = 1;
    int calls = 0;
    const FailureTest<int> fails = [&calls](const std::vector<int>& candidate) {
        ++calls;
        return std::find(candidate.begin(), candidate.end(), 1) != candidate.end();
    };
    ShrinkBudget budget{3, std::nullopt};
    const std::vector<int> shrunk = DropUnneeded(items, fails, budget);
    EXPECT_EQ(calls, 3);
    EXPECT_TRUE(fails(shrunk));
    EXPECT_LT(shrunk.size(), items.size());
}

TEST(ModelShrinkTest, LeavesTheRunAsItIsOnceItsTimeIsUp) {
    const std::vector<int> items = {1, 2, 3, 4};
    int calls = 0;
    const FailureTest<int> fails = [&calls](const std::vector<int>&) {
        ++calls;
        return true;
    };
    ShrinkBudget budget{100, std::chrono::steady_clock::now()};
    EXPECT_EQ(DropUnneeded(items, fails, budget), items);
    EXPECT_EQ(calls, 0);
}

TEST(ModelShrinkTest, MergesNeighboursOnlyWhereTheMergedRunStillFails) {
    // Fails while a 3 is there; two items merge into their sum up to 6.
    const FailureTest<int> fails = [](const std::vector<int>& candidate) {
        return std::find(candidate.begin(), candidate.end(), 3) != candidate.end();
    };
    const std::function<std::optional<int>(const int&, const int&)> merge =
        [](const int& first, const int& second) -> std::optional<int> {
        if (first + second > 6) {
            return std::nullopt;
        }
        return first + second;
    };
    ShrinkBudget budget{100, std::nullopt};
    // 1 and 2 make a 3; the two 3s would make a 6 without a 3; 3 and 4 do
    // not merge.
    EXPECT_EQ(MergeNeighbours(std::vector<int>{1, 2, 3, 4}, fails, merge, budget),
              (std::vector<int>{3, 3, 4}));
    EXPECT_EQ(budget.replaysLeft, 98);
}

TEST(ModelShrinkTest, SimplifiesEachItemToItsSimplestFormThatStillFails) {
    const std::vector<int> items = {40, 7, 90};
    // Fails while the sum is at least 50.
    const FailureTest<int> fails = [](const std::vector<int>& candidate) {
        return candidate[0] + candidate[1] + candidate[2] >= 50;
    };
    const std::function<std::vector<int>(const int&)> simpler = [](const int& item) {
        return item > 1 ? std::vector<int>{1, item / 2} : std::vector<int>{};
    };
    ShrinkBudget budget{100, std::nullopt};
    EXPECT_EQ(SimplifyEach(items, fails, simpler, budget), (std::vector<int>{1, 1, 90}));
}

}  // namespace
}  // namespace corvid::model
