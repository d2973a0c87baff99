#include "SystemLibrary.h"

#include "Text.h"

#include <string>

namespace fw
{

HMODULE LoadSystemLibrary(const char* fileName)
{
    HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
    if (kernel && ::GetProcAddress(kernel, "SetDefaultDllDirectories"))
        return ::LoadLibraryExA(fileName, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);

    // By its full path as UTF-16: the system folder's name passes whole whatever the code page.
    wchar_t folder[MAX_PATH] = {};
    UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return nullptr;
    std::wstring path(folder, length);
    path += L'\\';
    path += Wide(fileName);
    return ::LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace fw
