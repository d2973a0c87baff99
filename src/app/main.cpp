#include "SSDApp.h"
#include "SystemDlls.h"
#include "framework/TickCount.h"

// The one application object.
static CSSDApp theApp;

namespace
{
// The program runs elevated and is started from wherever it was downloaded: a DLL loaded later
// by name must come from the system folder, never from the program's or the working folder.
void RestrictDllSearch()
{
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void*>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    app::RestrictDllSearch(setDefault);
}

#if defined(__MINGW32__) && !defined(_WIN64)
// Windows XP has no GetTickCount64, and Windows does not start a program that imports a function
// its system lacks. mingw's threads library, whose locks the C++ run-time's exception handling
// takes, names it in its timed waits, which the program never makes: the program answers in its
// place, with the system's own where there is one and otherwise with a 64-bit count built from
// the 32-bit one, so that a wait across its wrap still ends.
fw::CTickCount64 g_tickCount;

ULONGLONG WINAPI TickCount64()
{
    return g_tickCount.Read(
        reinterpret_cast<fw::CTickCount64::SystemCountFn>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetTickCount64"))),
        &::GetTickCount);
}
#endif
} // namespace

#if defined(__MINGW32__) && !defined(_WIN64)
// The import's address slot as the library refers to it; defined here, no import is made.
extern "C" ULONGLONG(WINAPI* const g_pfnTickCount64)() __asm__("__imp__GetTickCount64@0");
ULONGLONG(WINAPI* const g_pfnTickCount64)() = TickCount64;
#endif

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    return theApp.Run();
}
