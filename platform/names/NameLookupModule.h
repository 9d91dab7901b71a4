#pragma once

#include "names/NameLookup.h"
#include "platform/names/NameServers.h"
#include "platform/qt/TimerSource.h"

namespace corvid::names {

// The network lookup is also built as a module of its own,
// libcorvid-names-online.so, that the program loads when the user first asks
// for names: Qt Network and what it brings (Kerberos, proxy support) then
// cost the program nothing at start. The module makes its lookup through one
// C function of this name and type; the caller owns what it returns.
inline constexpr char MAKE_NAME_LOOKUP_SYMBOL[] = "corvid_make_name_lookup";
using MakeNameLookup = NameLookup* (*)(window::qt::TimerSource& timers,
                                       const ClientIdentity& identity, const NameServers& servers);

}  // namespace corvid::names
