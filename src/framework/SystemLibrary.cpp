#include "SystemLibrary.h"

#include "Text.h"

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
    wchar_t path[MAX_PATH] = {};
    if (!FormatText(path, MAX_PATH, L"%ls\\%ls", folder, Wide(fileName).data()))
        return nullptr;
    return ::LoadLibraryExW(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

} // namespace fw
