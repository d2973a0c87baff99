#include "Launch.h"

#include "framework/Text.h"

#include <windows.h>
#include <shellapi.h>
#include <cstring>

namespace
{

// The full path of a tool in the system folder; ".exe" is added to a bare name. False when
// the path can't be had whole: then nothing is started rather than a tool found elsewhere.
// With the WOW64 file-system redirection off on this thread the same path reaches the 64-bit
// system folder.
bool GetSystemToolPath(const char* file, char* path, size_t size)
{
    if (!file || !*file)
        return false;
    const UINT length = ::GetSystemDirectoryA(path, static_cast<UINT>(size));
    if (length == 0 || length >= size)
        return false;
    const char* extension = std::strchr(file, '.') ? "" : ".exe";
    return fw::FormatText(path + length, size - length, "\\%s%s", file, extension);
}

} // namespace

void RunTool(const char* file, const char* parameters)
{
    char path[MAX_PATH] = {};
    if (GetSystemToolPath(file, path, sizeof(path)))
        ::ShellExecuteA(nullptr, "open", path, parameters, nullptr, SW_HIDE);
}

void OpenForUser(const char* verb, const char* file, const char* parameters)
{
    ::ShellExecuteA(nullptr, verb, file, parameters, nullptr, SW_SHOWNORMAL);
}

void OpenSystemTool(const char* file, const char* parameters)
{
    char path[MAX_PATH] = {};
    if (GetSystemToolPath(file, path, sizeof(path)))
        ::ShellExecuteA(nullptr, "open", path, parameters, nullptr, SW_SHOWNORMAL);
}
