// The DLLs loaded ahead on systems whose loader cannot confine its search: each comes from the
// system folder and stays loaded, so that a later load by name finds it.
#include "app/SystemDlls.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(SystemDlls, EachComesFromTheSystemFolderAndStaysLoaded)
{
    char folder[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryA(folder, MAX_PATH));
    std::vector<bool> before;
    for (std::size_t i = 0; i < app::kLateLoadedDllCount; ++i)
        before.push_back(::GetModuleHandleA(app::kLateLoadedDlls[i]) != nullptr);

    app::PreloadSystemDlls();

    std::size_t loadedHere = 0;
    for (std::size_t i = 0; i < app::kLateLoadedDllCount; ++i)
    {
        const std::string name = app::kLateLoadedDlls[i];
        HMODULE module = ::GetModuleHandleA(name.c_str());
        if (!module) // then the system cannot load it at all
        {
            HMODULE again = ::LoadLibraryExA((std::string(folder) + "\\" + name).c_str(), nullptr,
                                             LOAD_WITH_ALTERED_SEARCH_PATH);
            EXPECT_EQ(nullptr, again) << name << " was not loaded ahead";
            continue;
        }
        loadedHere += before[i] ? 0 : 1;
        char path[MAX_PATH] = {};
        ::GetModuleFileNameA(module, path, MAX_PATH);
        EXPECT_EQ(0, ::lstrcmpiA((std::string(folder) + "\\" + name).c_str(), path)) << path;
    }
    // The browser engine and WinINet at least: a test process has not loaded them by itself.
    EXPECT_NE(nullptr, ::GetModuleHandleA("ieframe.dll"));
    EXPECT_NE(nullptr, ::GetModuleHandleA("wininet.dll"));
    EXPECT_LT(0u, loadedHere);
}
