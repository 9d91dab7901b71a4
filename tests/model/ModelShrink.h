#pragma once

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace corvid::model {

// Replays left for shrinking, each call of the failure test taking one, and
// the time by which shrinking stops in any case.
struct ShrinkBudget {
    int replaysLeft = 0;
    std::optional<std::chrono::steady_clock::time_point> deadline;
    [[nodiscard]] bool Spent() const {
        return replaysLeft <= 0 || (deadline && std::chrono::steady_clock::now() >= *deadline);
    }
};

template <class Item>
using FailureTest = std::function<bool(const std::vector<Item>&)>;

// Delta debugging: drops chunks of halving size, down to single items, for
// as long as the rest still fails. The result still fails (the input must);
// when the budget runs out it is the shortest found so far.
template <class Item>
std::vector<Item> DropUnneeded(std::vector<Item> items, const FailureTest<Item>& fails,
                               ShrinkBudget& budget) {
    std::size_t chunk = items.size() / 2;
    while (chunk >= 1 && !budget.Spent()) {
        bool dropped = false;
        std::size_t start = 0;
        while (start < items.size() && !budget.Spent()) {
            std::vector<Item> candidate;
            candidate.reserve(items.size());
            for (std::size_t index = 0; index < items.size(); ++index) {
                if (index < start || index >= start + chunk) {
                    candidate.push_back(items[index]);
                }
            }
            if (candidate.empty()) {
                start += chunk;
                continue;
            }
            --budget.replaysLeft;
            if (fails(candidate)) {
                items = std::move(candidate);
                dropped = true;
            } else {
                start += chunk;
            }
        }
        // Single items get another pass for as long as one goes.
        if (chunk > 1 || !dropped) {
            chunk /= 2;
        }
    }
    return items;
}

// Tries each simpler form of each item in place, keeping those that still
// fail. `simpler` gives the forms of an item, simplest first.
template <class Item>
std::vector<Item> SimplifyEach(std::vector<Item> items, const FailureTest<Item>& fails,
                               const std::function<std::vector<Item>(const Item&)>& simpler,
                               ShrinkBudget& budget) {
    for (std::size_t index = 0; index < items.size() && !budget.Spent(); ++index) {
        for (const Item& form : simpler(items[index])) {
            if (budget.Spent()) {
                break;
            }
            std::vector<Item> candidate = items;
            candidate[index] = form;
            --budget.replaysLeft;
            if (fails(candidate)) {
                items = std::move(candidate);
                break;
            }
        }
    }
    return items;
}

// Tries each item merged with the next into one (`merge` gives the merged
// item, or none when the two do not merge), keeping the merges that still
// fail: runs of ticks that the dropping kept become one.
template <class Item>
std::vector<Item> MergeNeighbours(
    std::vector<Item> items, const FailureTest<Item>& fails,
    const std::function<std::optional<Item>(const Item&, const Item&)>& merge,
    ShrinkBudget& budget) {
    std::size_t index = 0;
    while (index + 1 < items.size() && !budget.Spent()) {
        const std::optional<Item> merged = merge(items[index], items[index + 1]);
        if (!merged) {
            ++index;
            continue;
        }
        std::vector<Item> candidate = items;
        candidate[index] = *merged;
        candidate.erase(candidate.begin() + static_cast<std::ptrdiff_t>(index) + 1);
        --budget.replaysLeft;
        if (fails(candidate)) {
            items = std::move(candidate);
        } else {
            ++index;
        }
    }
    return items;
}

}  // namespace corvid::model
