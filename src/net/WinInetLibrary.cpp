#include "WinInetLibrary.h"

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

HMODULE LoadSystemLibrary(const char* fileName)
{
    // Where the loader knows the search flags (Windows 8, or 7 with KB2533623), let it confine
    // the search; older systems get the full path of the system folder instead.
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel && ::GetProcAddress(kernel, "SetDefaultDllDirectories"))
        return ::LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

    char folder[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::string path(folder, length);
    path += '\\';
    path += fileName;
    return ::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool CWinInetLibrary::Load()
{
    m_module.Reset(LoadSystemLibrary("wininet.dll"));
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
