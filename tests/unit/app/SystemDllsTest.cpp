// The DLLs loaded ahead where the loader cannot confine its search: each one the system can load
// comes from the system folder and stays loaded, so that a later load by name finds it; one the
// system lacks is not looked for anywhere else, and PATH names the system's folders alone.
#include "app/SystemDlls.h"

#include "common/Paths.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <string>

TEST(SystemDlls, EachComesFromTheSystemFolderAndStaysLoaded)
{
    char folder[MAX_PATH] = {}, program[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetSystemDirectoryA(folder, MAX_PATH));
    ASSERT_NE(0u, ::GetModuleFileNameA(nullptr, program, MAX_PATH));
    // A listed name the system folder lacks (where there is one), planted beside the program.
    std::string plant;
    for (std::size_t i = 0; i < app::kLateLoadedDllCount && plant.empty(); ++i)
        if (::GetFileAttributesA((std::string(folder) + "\\" + app::kLateLoadedDlls[i]).c_str()) ==
            INVALID_FILE_ATTRIBUTES)
            plant = std::string(program, std::strrchr(program, '\\') + 1) + app::kLateLoadedDlls[i];
    ASSERT_TRUE(plant.empty() ||
                ::CopyFileA(testsupport::WinePath(PLANT_DLL).c_str(), plant.c_str(), FALSE));
    // The search confined as on a system without SetDefaultDllDirectories; PATH put back after.
    char windows[MAX_PATH] = {}, saved[32768] = {}, path[32768] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    ::GetEnvironmentVariableA("PATH", saved, sizeof(saved));
    app::RestrictDllSearch(nullptr);
    ::GetEnvironmentVariableA("PATH", path, sizeof(path));
    ::SetEnvironmentVariableA("PATH", saved);
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
    // The plant goes, with the mark it leaves when it runs (loaded, it is freed first).
    ::FreeLibrary(plant.empty() ? nullptr : ::GetModuleHandleA(plant.c_str()));
    ::DeleteFileA(plant.c_str());
    ::DeleteFileA((plant + ".loaded").c_str());

    // PATH, searched last there, holds the system's own folders and nothing of the user's.
    EXPECT_EQ(std::string(folder) + ";" + windows + ";" + folder + "\\Wbem", path);
}
