#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "names/NameLookup.h"

namespace corvid::testing {

// A search for names that ends only when the test answers it.
class ScriptedNameLookup final : public names::NameLookup {
  public:
    void Find(const names::DiscToc& toc, Callback callback) override {
        Cancel();
        m_lastToc = toc;
        ++m_finds;
        m_callback = std::move(callback);
    }
    void Cancel() override {
        Answer(names::LookupOutcome::Failed({names::FailureKind::Cancelled, {}, {}, 0, 0}));
    }
    [[nodiscard]] bool Running() const override { return static_cast<bool>(m_callback); }

    // Ends the running search, if any, with `outcome`.
    void Answer(const names::LookupOutcome& outcome) {
        if (Callback callback = std::exchange(m_callback, {})) {
            callback(outcome);
        }
    }
    [[nodiscard]] const std::optional<names::DiscToc>& LastToc() const { return m_lastToc; }
    [[nodiscard]] int Finds() const { return m_finds; }

  private:
    Callback m_callback;
    std::optional<names::DiscToc> m_lastToc;
    int m_finds = 0;
};

}  // namespace corvid::testing
