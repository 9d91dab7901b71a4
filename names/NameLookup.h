#pragma once

#include <functional>

#include "names/DiscToc.h"
#include "names/LookupOutcome.h"

namespace corvid::names {

// Finds the names of a disc in online databases. Everything happens on the
// caller's thread and event loop: Find returns at once, and the outcome comes
// later through the callback, exactly once per Find, never from inside Find.
// The window owns one of these; the network one lives in platform/names, and
// tests give a scripted one.
class NameLookup {
  public:
    using Callback = std::function<void(const LookupOutcome&)>;

    virtual ~NameLookup() = default;

    // Starts a search for the disc with this TOC. A search still running is
    // cancelled first (its callback gets Cancelled).
    virtual void Find(const DiscToc& toc, Callback callback) = 0;

    // Ends the running search, if any: its callback gets Cancelled before
    // Cancel returns, and nothing else later.
    virtual void Cancel() = 0;

    [[nodiscard]] virtual bool Running() const = 0;
};

}  // namespace corvid::names
