// The program folder, which names the power plan file beside the program.
#include <gtest/gtest.h>

#include <windows.h>
#include <cwchar>
#include <string>

#include "sysconfig/Optimizer.h"

namespace
{

std::wstring FolderOf(const std::wstring& path)
{
    wchar_t folder[MAX_PATH];
    std::wmemset(folder, L'Z', MAX_PATH);
    COptimizer::GetFolderOfPath(path.c_str(), folder);
    return folder;
}

TEST(ProgramFolderTest, CutsAtTheLastBackslash)
{
    EXPECT_EQ(L"C:\\Program Files\\Pellix SSD",
              FolderOf(L"C:\\Program Files\\Pellix SSD\\DADAROR.exe"));
    EXPECT_EQ(L"C:", FolderOf(L"C:\\DADAROR.exe"));
    EXPECT_EQ(L"DADAROR.exe", FolderOf(L"DADAROR.exe"));
}

TEST(ProgramFolderTest, AFolderTooLongForTheBufferIsNeverCut)
{
    const std::wstring longest = L"C:\\" + std::wstring(MAX_PATH - 4, L'd'); // 259 characters
    EXPECT_EQ(longest, FolderOf(longest + L"\\DADAROR.exe"));
    EXPECT_EQ(L"", FolderOf(longest + L"d\\DADAROR.exe"));
    EXPECT_EQ(L"", FolderOf(std::wstring(1040, L'e') + L"\\DADAROR.exe"));
}

} // namespace
