// Loading a DLL from the system folder only. The program runs elevated and starts from wherever
// it was downloaded: a DLL of the same name beside it or in the working folder must never be
// loaded in place of the system's.
#pragma once

#include <windows.h>

namespace fw
{

// The system's copy of fileName, or null. Where the loader can confine the search to the system
// folder (Windows 8, or 7 with KB2533623) it does; older systems get the full path instead.
HMODULE LoadSystemLibrary(const char* fileName);

} // namespace fw
