// The program folder, which names the power plan file beside the program.
#include <gtest/gtest.h>

#include <windows.h>
#include <cstring>
#include <string>

#include "sysconfig/Optimizer.h"

namespace
{

std::string FolderOf(const std::string& path)
{
    char folder[MAX_PATH];
    std::memset(folder, 0x5A, sizeof(folder));
    COptimizer::GetFolderOfPath(path.c_str(), folder);
    return folder;
}

TEST(ProgramFolderTest, CutsAtTheLastBackslash)
{
    EXPECT_EQ("C:\\Program Files\\Pellix SSD",
              FolderOf("C:\\Program Files\\Pellix SSD\\DADAROR.exe"));
    EXPECT_EQ("C:", FolderOf("C:\\DADAROR.exe"));
    EXPECT_EQ("DADAROR.exe", FolderOf("DADAROR.exe"));
}

TEST(ProgramFolderTest, AFolderTooLongForTheBufferIsNeverCut)
{
    const std::string longest = "C:\\" + std::string(MAX_PATH - 4, 'd'); // 259 characters
    EXPECT_EQ(longest, FolderOf(longest + "\\DADAROR.exe"));
    EXPECT_EQ("", FolderOf(longest + "d\\DADAROR.exe"));
    EXPECT_EQ("", FolderOf(std::string(1040, 'e') + "\\DADAROR.exe"));
}

} // namespace
