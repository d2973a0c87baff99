// Hidden runs of the system's own tools for the apply: each tool is created directly from its full
// path in the system folder, never through the shell, and never waited for; a failed start is
// silent.
#include "Launch.h"

#include "framework/Text.h"

#include <windows.h>
#include <cstring>
#include <cwchar>
#include <vector>

bool SystemToolPath(const char* file, wchar_t (&folder)[MAX_PATH], wchar_t (&path)[MAX_PATH])
{
    if (!file || !*file)
        return false;
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    return length != 0 && length < MAX_PATH &&
           fw::FormatText(path, MAX_PATH, L"%ls\\%ls%ls", folder, fw::Wide(file).data(),
                          std::strchr(file, '.') ? L"" : L".exe");
}

void StartSystemTool(const char* file, const wchar_t* parameters, WORD show, bool native)
{
    wchar_t folder[MAX_PATH] = {};
    wchar_t path[MAX_PATH] = {};
    wchar_t image[MAX_PATH] = {};
    if (!SystemToolPath(file, folder, path) || !fw::FormatText(image, MAX_PATH, L"%ls", path))
        return;
#ifndef _WIN64
    wchar_t wow64[MAX_PATH] = {};
    const wchar_t* name = std::wcsrchr(folder, L'\\');
    if (native && ::GetSystemWow64DirectoryW(wow64, MAX_PATH) &&
        (!name ||
         !fw::FormatText(image, MAX_PATH, L"%.*ls\\Sysnative%ls", static_cast<int>(name - folder),
                         folder, path + std::wcslen(folder))))
        return;
#else
    (void)native;
#endif
    // The longest command line Windows takes; a longer one starts nothing rather than a cut one.
    std::vector<wchar_t> commandLine(32768);
    const bool given = parameters && *parameters;
    if (!fw::FormatText(commandLine.data(), commandLine.size(), L"\"%ls\"%ls%ls", path,
                        given ? L" " : L"", given ? parameters : L""))
        return;

    STARTUPINFOW startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = show;
    PROCESS_INFORMATION process = {};
    if (g_launchCalls.createProcess(image, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr,
                                    folder, &startup, &process))
    {
        ::CloseHandle(process.hThread);
        ::CloseHandle(process.hProcess);
    }
}

void RunTool(const char* file, const char* parameters)
{
    StartSystemTool(file, fw::Wide(parameters).data(), SW_HIDE, false);
}

void RunTool(const char* file, const wchar_t* parameters)
{
    StartSystemTool(file, parameters, SW_HIDE, false);
}

void RunNativeTool(const char* file, const char* parameters)
{
    StartSystemTool(file, fw::Wide(parameters).data(), SW_HIDE, true);
}
