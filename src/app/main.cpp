#include "SSDApp.h"

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
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Older systems: at least take the working folder out of the search.
    ::SetDllDirectoryA("");
}
} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    RestrictDllSearch();
    return theApp.Run();
}
