// WinINet, loaded at run time from the system folder only. The program does not import it: a
// wininet.dll planted beside the executable or in the working folder is never picked up.
#pragma once

#include "framework/Handles.h"

#include <windows.h>
#include <wininet.h>

class CWinInetLibrary
{
public:
    // Loads the system's wininet.dll and binds every function below; false when either fails.
    // Each instance holds its own reference on the library.
    bool Load();

    decltype(&::InternetCanonicalizeUrlA) InternetCanonicalizeUrlA = nullptr;
    decltype(&::InternetCrackUrlA) InternetCrackUrlA = nullptr;
    decltype(&::InternetOpenA) InternetOpenA = nullptr;
    decltype(&::InternetConnectA) InternetConnectA = nullptr;
    decltype(&::HttpOpenRequestA) HttpOpenRequestA = nullptr;
    decltype(&::HttpSendRequestA) HttpSendRequestA = nullptr;
    decltype(&::HttpQueryInfoA) HttpQueryInfoA = nullptr;
    decltype(&::InternetQueryDataAvailable) InternetQueryDataAvailable = nullptr;
    decltype(&::InternetReadFile) InternetReadFile = nullptr;
    decltype(&::InternetCloseHandle) InternetCloseHandle = nullptr;
    decltype(&::InternetSetOptionA) InternetSetOptionA = nullptr;
    decltype(&::InternetGetConnectedState) InternetGetConnectedState = nullptr;

private:
    fw::CModuleHandle m_module;
};
