#include "Launch.h"

#include <windows.h>
#include <shellapi.h>

void RunTool(const char* file, const char* parameters)
{
    ::ShellExecuteA(nullptr, "open", file, parameters, nullptr, SW_HIDE);
}

void OpenForUser(const char* verb, const char* file, const char* parameters)
{
    ::ShellExecuteA(nullptr, verb, file, parameters, nullptr, SW_SHOWNORMAL);
}

void OpenSystemTool(const char* file, const char* parameters)
{
    ::ShellExecuteA(nullptr, "open", file, parameters, nullptr, SW_SHOWNORMAL);
}
