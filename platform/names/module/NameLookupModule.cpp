// The entry of libcorvid-names-online.so, the module the program loads for
// its first search for names.
#include "platform/names/NameLookupModule.h"

#include <type_traits>

#include "platform/names/NetworkNameLookup.h"

extern "C" Q_DECL_EXPORT corvid::names::NameLookup* corvid_make_name_lookup(
    corvid::window::qt::TimerSource& timers, const corvid::names::ClientIdentity& identity,
    const corvid::names::NameServers& servers) {
    return new corvid::names::NetworkNameLookup(timers, identity, servers);
}

// The loader finds the function by this name and calls it through this type.
static_assert(std::is_same_v<decltype(&corvid_make_name_lookup), corvid::names::MakeNameLookup>);
