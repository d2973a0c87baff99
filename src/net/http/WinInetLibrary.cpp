#include "WinInetLibrary.h"

#include "framework/SystemLibrary.h"

#include <string>

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
#define LOAD_LIBRARY_SEARCH_SYSTEM32 0x00000800
#endif

namespace
{

template <typename F> bool Bind(HMODULE module, const char* name, F& function)
{
    function = reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name)));
    return function != nullptr;
}

} // namespace

bool CWinInetLibrary::Load()
{
    m_module.Reset(fw::LoadSystemLibrary("wininet.dll"));
    if (!m_module)
        return false;
    HMODULE m = m_module.Get();
    bool bound = Bind(m, "InternetCanonicalizeUrlA", InternetCanonicalizeUrlA) &&
                 Bind(m, "InternetCrackUrlA", InternetCrackUrlA) &&
                 Bind(m, "InternetOpenA", InternetOpenA) &&
                 Bind(m, "InternetConnectA", InternetConnectA) &&
                 Bind(m, "HttpOpenRequestA", HttpOpenRequestA) &&
                 Bind(m, "HttpSendRequestA", HttpSendRequestA) &&
                 Bind(m, "HttpQueryInfoA", HttpQueryInfoA) &&
                 Bind(m, "InternetQueryDataAvailable", InternetQueryDataAvailable) &&
                 Bind(m, "InternetReadFile", InternetReadFile) &&
                 Bind(m, "InternetCloseHandle", InternetCloseHandle) &&
                 Bind(m, "InternetSetOptionA", InternetSetOptionA) &&
                 Bind(m, "InternetGetConnectedState", InternetGetConnectedState);
    if (!bound)
        m_module.Reset();
    return bound;
}
