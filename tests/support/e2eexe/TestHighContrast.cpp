// The test build's high-contrast answer: Wine refuses to switch the mode on, so the value
// HighContrast (DWORD 1) under HKCU\Software\DADAROR test stands in for the system's answer, read
// each time the program asks (at start and on a settings change). The colours are Wine's own.
#include "framework/HighContrast.h"

#include <windows.h>

namespace fw
{

bool QueryHighContrast()
{
    DWORD value = 0;
    DWORD size = sizeof(value);
    return ::RegGetValueA(HKEY_CURRENT_USER, "Software\\DADAROR test", "HighContrast",
                          RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS &&
           value == 1;
}

} // namespace fw
