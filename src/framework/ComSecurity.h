// The process's COM security. Windows lets it be fixed once per process, and fixes it itself, with
// its defaults, the first time an interface is marshalled or unmarshalled (making a control may
// do that): the start-up fixes ours right after opening its apartment, before any dialog or COM
// object exists.
#pragma once

#include <windows.h>
#include <objbase.h>

namespace fw
{

// Fixes the process's COM security on a thread that has its apartment open: only SYSTEM and the
// Administrators, at high integrity, may call into this process's objects, and no interface
// handed to it may name an unmarshaller of its own to be loaded here. The first call decides and
// its result is kept; later calls return it without asking again. True when ours is in force.
bool SetProcessComSecurity();

// Whether SetProcessComSecurity has fixed the process's security: false before it was asked and
// when it failed (another setting, the system's own defaults among them, came first).
bool ProcessComSecurityIsOurs();

// The call that fixes it; tests record what it is given, or refuse as Windows refuses a late one.
using CoInitializeSecurityFn = HRESULT(WINAPI*)(PSECURITY_DESCRIPTOR, LONG,
                                                SOLE_AUTHENTICATION_SERVICE*, void*, DWORD, DWORD,
                                                void*, DWORD, void*);
extern CoInitializeSecurityFn g_pfnCoInitializeSecurity;

} // namespace fw
