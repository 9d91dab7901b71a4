#include "platform/nameloader/LoadedNameLookup.h"

#include <QCoreApplication>
#include <QDir>
#include <QMetaObject>
#include <utility>

#include "platform/names/NameLookupModule.h"

namespace corvid::names {

LoadedNameLookup::LoadedNameLookup(QString modulePath, window::qt::TimerSource& timers,
                                   ClientIdentity identity, NameServers servers)
    : modulePath(std::move(modulePath)),
      timers(timers),
      identity(std::move(identity)),
      servers(std::move(servers)) {}

// As the network lookup does, an end by destruction tells no one: whoever
// asked may be gone already. The lookup is destroyed while its code is still
// there; the module stays loaded until the program ends, as Qt's plugins do.
LoadedNameLookup::~LoadedNameLookup() {
    waiting = nullptr;
    lookup.reset();
}

NameLookup* LoadedNameLookup::Loaded() {
    if (lookup || !loadError.isEmpty()) {
        return lookup.get();
    }
    const QString path = QDir::isAbsolutePath(modulePath)
                             ? modulePath
                             : QDir(QCoreApplication::applicationDirPath()).filePath(modulePath);
    module.setFileName(path);
    if (!module.load()) {
        loadError = module.errorString();
        return nullptr;
    }
    const auto make = reinterpret_cast<MakeNameLookup>(module.resolve(MAKE_NAME_LOOKUP_SYMBOL));
    if (make == nullptr) {
        loadError = module.errorString();
        return nullptr;
    }
    lookup.reset(make(timers, identity, servers));
    return lookup.get();
}

void LoadedNameLookup::Find(const DiscToc& toc, Callback callback) {
    Cancel();
    if (NameLookup* found = Loaded()) {
        found->Find(toc, std::move(callback));
        return;
    }
    waiting = std::move(callback);
    const std::uint64_t search = ++searches;
    QMetaObject::invokeMethod(
        &context, [this, search] { TellLoadFailure(search); }, Qt::QueuedConnection);
}

void LoadedNameLookup::TellLoadFailure(std::uint64_t search) {
    if (search != searches || !waiting) {
        return;
    }
    const Callback callback = std::exchange(waiting, nullptr);
    callback(LookupOutcome::Failed(LoadFailure()));
}

LookupFailure LoadedNameLookup::LoadFailure() const {
    LookupFailure failure;
    failure.kind = FailureKind::Unreachable;
    failure.server = servers.musicBrainz.host().toStdString();
    failure.reason =
        "the program's part for names online could not be loaded (" + loadError.toStdString() + ")";
    return failure;
}

void LoadedNameLookup::Cancel() {
    if (lookup) {
        lookup->Cancel();
    }
    if (waiting) {
        const Callback callback = std::exchange(waiting, nullptr);
        LookupFailure cancelled;
        cancelled.kind = FailureKind::Cancelled;
        callback(LookupOutcome::Failed(cancelled));
    }
}

bool LoadedNameLookup::Running() const {
    return static_cast<bool>(waiting) || (lookup && lookup->Running());
}

}  // namespace corvid::names
