// Stand-in for a program the product starts (fsutil, powercfg, bcdedit, control.exe, the web
// browser behind the shell's http handler...): copy it in under the tool's name where the tool
// would be found, or register it as the handler; every start appends one line to a log, then the
// program ends at once, by default silently with exit code 0.
//
// A tool that refuses: DADAROR_RECORDER_ANSWERS names a folder, and when <folder>\<name>.txt
// exists (<name>: this copy's file name without its extension, e.g. sc.txt for sc.exe) the copy
// writes that file's text after its first line to its standard output, as bytes, and ends with
// the number on the first line as its exit code.
//
// Log file (RecorderLog.h): the path in the environment variable DADAROR_RECORDER_LOG, else the
// one in HKCU\Software\DadarorTest\Recorder, value Log (for starts made by the desktop shell,
// which do not inherit the test's environment), else C:\dadaror-recorder.log. One line per start,
// fields separated by one tab, ending with CR LF, in code page 949:
//   <ms>\t<show>\t<module path>\t<working folder>\t<command line>
// <ms>: system time in milliseconds since 1601 (GetSystemTimeAsFileTime / 10000), for pauses
// between launches; <show>: the show state asked by the launcher (STARTUPINFO.wShowWindow, -1
// when none was given: 0 SW_HIDE, 1 SW_SHOWNORMAL); <module path>: this copy's own full path;
// <working folder>: GetCurrentDirectoryA at the start; <command line>: GetCommandLineA exactly,
// e.g. "C:\windows\system32\fsutil.exe" behavior ... (last: only it may hold a tab).
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "RecorderLog.h"

namespace
{

// The answer file's exit code; its text goes to the standard output.
int Answer(const char* module)
{
    char folder[MAX_PATH] = {}, path[2 * MAX_PATH] = {};
    const DWORD length = ::GetEnvironmentVariableA(recorder::kAnswersVariable, folder, MAX_PATH);
    const char* name = std::strrchr(module, '\\') ? std::strrchr(module, '\\') + 1 : module;
    std::snprintf(path, sizeof(path), "%s\\%.*s.txt", folder,
                  static_cast<int>(std::strcspn(name, ".")), name);
    FILE* file = length && length < MAX_PATH ? std::fopen(path, "rb") : nullptr;
    if (!file)
        return 0;
    static char text[8192];
    const size_t read = std::fread(text, 1, sizeof(text) - 1, file);
    std::fclose(file);
    const char* body = std::strchr(text, '\n') ? std::strchr(text, '\n') + 1 : text + read;
    DWORD written = 0;
    ::WriteFile(::GetStdHandle(STD_OUTPUT_HANDLE), body, static_cast<DWORD>(text + read - body),
                &written, nullptr);
    return std::atoi(text);
}

} // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    char logPath[MAX_PATH] = {};
    DWORD length = ::GetEnvironmentVariableA(recorder::kLogVariable, logPath, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
    {
        DWORD size = sizeof(logPath);
        if (::RegGetValueA(HKEY_CURRENT_USER, recorder::kLogKey, recorder::kLogValue, RRF_RT_REG_SZ,
                           nullptr, logPath, &size) != ERROR_SUCCESS ||
            !logPath[0])
            std::strcpy(logPath, "C:\\dadaror-recorder.log");
    }

    FILETIME now = {};
    ::GetSystemTimeAsFileTime(&now);
    const unsigned long long ms =
        ((static_cast<unsigned long long>(now.dwHighDateTime) << 32) | now.dwLowDateTime) / 10000;

    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    ::GetStartupInfoA(&startup);
    const int show = (startup.dwFlags & STARTF_USESHOWWINDOW) ? startup.wShowWindow : -1;

    char module[1024] = {};
    ::GetModuleFileNameA(nullptr, module, sizeof(module) - 1);

    char folder[1024] = {};
    ::GetCurrentDirectoryA(sizeof(folder), folder);

    static char line[40000];
    const int size = std::snprintf(line, sizeof(line), "%llu\t%d\t%s\t%s\t%s\r\n", ms, show, module,
                                   folder, ::GetCommandLineA());
    if (size <= 0)
        return 1;

    // Appends are whole lines even when two copies run at once: one write in append mode.
    HANDLE file = INVALID_HANDLE_VALUE;
    for (int attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt)
    {
        file = ::CreateFileA(logPath, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            ::Sleep(10);
    }
    if (file == INVALID_HANDLE_VALUE)
        return 2;
    DWORD written = 0;
    const DWORD toWrite =
        static_cast<DWORD>(size < static_cast<int>(sizeof(line)) ? size : sizeof(line) - 1);
    ::WriteFile(file, line, toWrite, &written, nullptr);
    ::CloseHandle(file);
    return Answer(module);
}
