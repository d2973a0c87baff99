// Where the running program puts its windows, and which common controls it runs with.
#include "Common.h"

#include <gtest/gtest.h>

#include <tlhelp32.h>

#include <iostream>

using namespace e2e;
using namespace e2e_test;

namespace
{
const DWORD kWait = 20000;

std::string Lower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

// The full paths of every module of a process that is named `name`.
std::vector<std::string> ModulePaths(DWORD pid, const std::string& name)
{
    std::vector<std::string> paths;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPMODULE | TH32CS_SNAPMODULE32, pid);
    if (snapshot == INVALID_HANDLE_VALUE)
        return paths;
    MODULEENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = ::Module32First(snapshot, &entry); more;
         more = ::Module32Next(snapshot, &entry))
    {
        if (Lower(entry.szModule) == name)
            paths.push_back(Lower(entry.szExePath));
    }
    ::CloseHandle(snapshot);
    return paths;
}
} // namespace

TEST(Placement, AboutBoxOpensCentredOverTheMainDialog)
{
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);
    HWND about = OpenAboutBox(run, dlg, kWait);
    ASSERT_TRUE(about) << "no About box";

    const RECT main = WindowRect(dlg);
    const RECT box = WindowRect(about);
    const int width = box.right - box.left;
    const int height = box.bottom - box.top;
    std::cout << "[measured] main dialog at " << main.left << "," << main.top << "; About box "
              << width << "x" << height << " at " << box.left << "," << box.top << std::endl;
    EXPECT_EQ(main.left + (660 - width) / 2, box.left);
    EXPECT_EQ(main.top + (652 - height) / 2, box.top);

    ASSERT_TRUE(AnswerBox(about, IDOK));
    EXPECT_TRUE(WaitUntil([&] { return !::IsWindow(about); }, kWait));
    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(10000).has_value());
}

TEST(Placement, CommonControlsAreTheClassicOnesFromTheSystemFolder)
{
    ProgramServer server;
    ProgramRun run;
    HWND dlg = StartToMainWindow(run, kWait);
    ASSERT_TRUE(dlg);

    char system[MAX_PATH] = {};
    const UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    ASSERT_GT(length, 0u);
    const std::string expected = Lower(std::string(system, length)) + "\\comctl32.dll";
    const std::vector<std::string> paths = ModulePaths(run.Pid(), "comctl32.dll");
    ASSERT_FALSE(paths.empty()) << "the program has no common controls loaded";
    for (const std::string& path : paths)
        std::cout << "[measured] comctl32.dll of the program: " << path << std::endl;
    for (const std::string& path : paths)
        EXPECT_EQ(expected, path) << "a side-by-side copy instead of the system folder's";

    ::PostMessageA(dlg, WM_CLOSE, 0, 0);
    EXPECT_TRUE(run.WaitForExit(10000).has_value());
}
