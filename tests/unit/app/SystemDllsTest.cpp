// The DLLs loaded ahead where the loader cannot confine its search: each one the system can load
// comes from the system folder and stays loaded, so that a later load by name finds it.
#include "app/SystemDlls.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

TEST(SystemDlls, EachComesFromTheSystemFolderAndStaysLoaded)
{
    char folder[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryA(folder, MAX_PATH));
    app::PreloadSystemDlls();
    for (std::size_t i = 0; i < app::kLateLoadedDllCount; ++i)
    {
        const std::string path = std::string(folder) + "\\" + app::kLateLoadedDlls[i];
        char loaded[MAX_PATH] = "not loaded ahead";
        HMODULE module = ::GetModuleHandleA(app::kLateLoadedDlls[i]);
        if (module)
            ::GetModuleFileNameA(module, loaded, MAX_PATH);
        // Left out only where this system cannot load it.
        EXPECT_TRUE(module
                        ? !::lstrcmpiA(path.c_str(), loaded)
                        : !::LoadLibraryExA(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH))
            << path << ": " << loaded;
    }
}
