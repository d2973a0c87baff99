// Hidden runs of the system's own tools for the apply: each tool is created directly from its full
// path in the system folder, never through the shell, and never waited for; a failed start is
// silent.
#include "Launch.h"

#include "framework/Text.h"

#include <windows.h>
#include <cstring>
#include <string>

bool SystemToolPath(const char* file, char (&folder)[MAX_PATH], char (&path)[MAX_PATH])
{
    if (!file || !*file)
        return false;
    const UINT length = ::GetSystemDirectoryA(folder, MAX_PATH);
    return length != 0 && length < MAX_PATH &&
           fw::FormatText(path, MAX_PATH, "%s\\%s%s", folder, file,
                          std::strchr(file, '.') ? "" : ".exe");
}

void StartSystemTool(const char* file, const char* parameters, WORD show, bool native)
{
    char folder[MAX_PATH] = {};
    char path[MAX_PATH] = {};
    char image[MAX_PATH] = {};
    if (!SystemToolPath(file, folder, path) || !fw::FormatText(image, sizeof(image), "%s", path))
        return;
#ifndef _WIN64
    char wow64[MAX_PATH] = {};
    const char* name = std::strrchr(folder, '\\');
    if (native && ::GetSystemWow64DirectoryA(wow64, MAX_PATH) &&
        (!name ||
         !fw::FormatText(image, sizeof(image), "%.*s\\Sysnative%s", static_cast<int>(name - folder),
                         folder, path + std::strlen(folder))))
        return;
#else
    (void)native;
#endif
    std::string commandLine = std::string("\"") + path + "\"";
    if (parameters && *parameters)
        commandLine.append(" ").append(parameters);

    STARTUPINFOA startup = {};
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
    StartSystemTool(file, parameters, SW_HIDE, false);
}

void RunNativeTool(const char* file, const char* parameters)
{
    StartSystemTool(file, parameters, SW_HIDE, true);
}
