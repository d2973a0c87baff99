// The security manager the panel's site hands the browser engine: the engine asks it which zone
// an address is in and whether an action is allowed there, before it asks its own.
#pragma once

#include <windows.h>
#include <urlmon.h>

namespace panelguard
{

// Every address is in the Restricted Sites zone, and every action is answered with that zone's
// policy as the machine's administrators set it through `zones` (the user's own copy of the
// zone settings is writable by any program of the user: it is not read). An action the zone
// would ask the user about is refused, as is every action when `zones` is null or has no policy
// for it. One reference for the caller.
HRESULT CreateSecurityManager(IInternetZoneManager* zones, IInternetSecurityManager** manager);

} // namespace panelguard
