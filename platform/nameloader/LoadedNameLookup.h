#pragma once

#include <QLibrary>
#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

#include "names/NameLookup.h"
#include "platform/names/NameServers.h"
#include "platform/qt/TimerSource.h"

namespace corvid::names {

// The lookup of the names module (NameLookupModule.h), loaded at the first
// Find from `modulePath` (a path relative to the program's folder, or
// absolute) and kept loaded from then on. When the module cannot be loaded,
// each Find ends, later on the event loop, in a failure that says so.
class LoadedNameLookup final : public NameLookup {
  public:
    LoadedNameLookup(QString modulePath, window::qt::TimerSource& timers, ClientIdentity identity,
                     NameServers servers);
    LoadedNameLookup(const LoadedNameLookup&) = delete;
    LoadedNameLookup& operator=(const LoadedNameLookup&) = delete;
    LoadedNameLookup(LoadedNameLookup&&) = delete;
    LoadedNameLookup& operator=(LoadedNameLookup&&) = delete;
    ~LoadedNameLookup() override;

    void Find(const DiscToc& toc, Callback callback) override;
    void Cancel() override;
    [[nodiscard]] bool Running() const override;

  private:
    // Null when the module cannot be loaded; `loadError` then says why.
    NameLookup* Loaded();
    void TellLoadFailure(std::uint64_t search);
    [[nodiscard]] LookupFailure LoadFailure() const;

    QString modulePath;
    window::qt::TimerSource& timers;
    ClientIdentity identity;
    NameServers servers;
    QLibrary module;
    std::unique_ptr<NameLookup> lookup;
    QString loadError;
    // The callback of a Find whose failure to load is still to be told.
    Callback waiting;
    std::uint64_t searches = 0;
    // Where the failure is told from: queued calls to it end with it.
    QObject context;
};

}  // namespace corvid::names
