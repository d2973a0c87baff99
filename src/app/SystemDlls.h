// The DLLs that the system and the browser engine load by name while the program runs, and how
// they are made to come from the system folder where the loader cannot confine its search.
#pragma once

#include <windows.h>

#include <cstddef>

namespace app
{

// Each by its file name, as the system and the engine ask for it.
extern const char* const kLateLoadedDlls[];
extern const std::size_t kLateLoadedDllCount;

// Loads each DLL of the list by its full path in the system folder and keeps it for the life of
// the process. A DLL that is already loaded is never searched for again, so a later load by name
// gets the system's copy even where the program's own folder comes first in the search (XP,
// Vista, and 7 without SetDefaultDllDirectories). One the system lacks is passed over.
void PreloadSystemDlls();

// Confines the search for the DLLs loaded later by name to the system folder: through
// SetDefaultDllDirectories where the system has it (setDefault; null where it has not), else by
// taking the working folder out of the search, setting PATH to the system's folders and loading
// the list ahead.
void RestrictDllSearch(BOOL(WINAPI* setDefault)(DWORD));

// Sets the process's PATH to the system's folders: the system folder, the Windows folder and the
// WMI folder, the default PATH of the systems that need it. A name the system folder lacks cannot
// be loaded ahead, and where the loader cannot confine its search it is looked for in the
// program's folder first, then along PATH, which the user's own environment extends with folders
// of the user's: so the program's folder must hold nothing but the release's files (the guide
// says so), and PATH is cut back to the system's.
void SetSystemPath();

} // namespace app
