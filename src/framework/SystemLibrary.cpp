#include "SystemLibrary.h"

#include <string>

namespace fw
{

HMODULE LoadSystemLibrary(const char* fileName)
{
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

} // namespace fw
