#include "InternetState.h"

#include "WinInetLibrary.h"

bool IsInternetConnected()
{
    CWinInetLibrary wininet;
    if (!wininet.Load())
        return false;
    DWORD flags = 0;
    return wininet.InternetGetConnectedState(&flags, 0) != FALSE;
}
