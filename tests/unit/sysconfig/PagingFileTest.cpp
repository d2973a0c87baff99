// SetPagingFile and the restart flag on the test prefix's own Memory Management key; the
// fixture puts both values back as they were.
#include <gtest/gtest.h>

#include <windows.h>
#include <sddl.h>
#include <cstring>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "common/ProgramFacts.h"
#include "sysconfig/Optimizer.h"

using namespace sysconfig_test;

namespace
{

class PagingFileTest : public ::testing::Test
{
protected:
    void SetUp() override { Arrange(); }
    static void Arrange()
    {
        // A previous list with two drives, and an executive setting the modes never write.
        const char twoDrives[] = "C:\\pagefile.sys 0 0\0E:\\pagefile.sys 100 200\0";
        ASSERT_EQ(ERROR_SUCCESS,
                  WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles",
                           REG_MULTI_SZ, twoDrives, sizeof(twoDrives)));
        SetExecutive(7);
    }
    static void SetExecutive(DWORD value)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey,
                           "DisablePagingExecutive", REG_DWORD, &value, sizeof(value)));
    }
    static std::string PagingFiles()
    {
        RawValue value = ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles");
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), value.type);
        return std::string(value.data.begin(), value.data.end());
    }
    static DWORD Executive()
    {
        RawValue value =
            ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "DisablePagingExecutive");
        EXPECT_EQ(static_cast<DWORD>(REG_DWORD), value.type);
        EXPECT_EQ(4u, value.data.size());
        DWORD number = 0;
        if (value.data.size() == 4)
            std::memcpy(&number, value.data.data(), 4);
        return number;
    }

    CSavedValue m_pagingFiles{HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles"};
    CSavedValue m_executive{HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey,
                            "DisablePagingExecutive"};
};

TEST_F(PagingFileTest, EachModeReplacesTheListWithOneEntryForTheWindowsDrive)
{
    struct
    {
        int mode;
        std::string pagingFiles;
        DWORD executive;
    } const modes[] = {
        {0, std::string("D:\\pagefile.sys 0 0\0\0", 21), 0},
        {1, std::string("D:\\pagefile.sys 200 1024\0\0", 26), 0},
        {2, std::string(2, '\0'), 1},
    };
    for (const auto& m : modes)
    {
        SCOPED_TRACE(m.mode);
        Arrange();
        COptimizer optimizer;
        EXPECT_EQ(1, optimizer.SetPagingFile(m.mode, "D:\\WINDOWS"));
        EXPECT_EQ(m.pagingFiles, PagingFiles());
        EXPECT_EQ(m.executive, Executive());
        EXPECT_EQ(1, optimizer.NeedsReboot());
    }
}

TEST_F(PagingFileTest, TakesTheDriveOfTheRealWindowsDirectory)
{
    char windows[MAX_PATH] = {};
    ASSERT_NE(0u, ::GetWindowsDirectoryA(windows, MAX_PATH));
    COptimizer optimizer;
    optimizer.SetPagingFile(1);
    EXPECT_EQ(std::string(1, windows[0]) + ":\\pagefile.sys 200 1024" + std::string(2, '\0'),
              PagingFiles());
}

TEST_F(PagingFileTest, WritesNothingWithoutAReadableListOrADrive)
{
    // Absent.
    ASSERT_EQ(ERROR_SUCCESS,
              DeleteValue(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles"));
    COptimizer optimizer;
    EXPECT_EQ(1, optimizer.SetPagingFile(0, "D:\\WINDOWS"));
    EXPECT_EQ(ERROR_FILE_NOT_FOUND,
              ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles").status);
    EXPECT_EQ(7u, Executive());
    EXPECT_EQ(0, optimizer.NeedsReboot());

    // Several entries, 521 bytes in all: too long to read.
    std::string many;
    for (char drive = 'C'; many.size() < 500; drive = drive == 'Z' ? 'C' : drive + 1)
        many += std::string(1, drive) + ":\\pagefile.sys 1024 4096" + '\0';
    many.resize(520, 'x');
    many += '\0';
    ASSERT_EQ(521u, many.size());
    ASSERT_EQ(ERROR_SUCCESS,
              WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles", REG_MULTI_SZ,
                       many.data(), static_cast<DWORD>(many.size())));
    EXPECT_EQ(1, optimizer.SetPagingFile(2, "D:\\WINDOWS"));
    EXPECT_EQ(many, PagingFiles());
    EXPECT_EQ(7u, Executive());
    EXPECT_EQ(0, optimizer.NeedsReboot());

    // A Windows directory without a drive letter names no paging file.
    Arrange();
    EXPECT_EQ(1, optimizer.SetPagingFile(0, ""));
    EXPECT_EQ(std::string("C:\\pagefile.sys 0 0\0E:\\pagefile.sys 100 200\0\0", 45), PagingFiles());
    EXPECT_EQ(7u, Executive());
    EXPECT_EQ(0, optimizer.NeedsReboot());
}

TEST_F(PagingFileTest, TheRestartFlagStaysRaisedForTheRun)
{
    COptimizer optimizer;
    EXPECT_EQ(0, optimizer.NeedsReboot());
    optimizer.SetPagingFile(0, "C:\\windows");
    EXPECT_EQ(1, optimizer.NeedsReboot());

    // The same choice again is written again.
    SetExecutive(7);
    optimizer.SetPagingFile(0, "C:\\windows");
    EXPECT_EQ(0u, Executive());
    EXPECT_EQ(1, optimizer.NeedsReboot());

    // A later call that writes nothing does not lower it, nor does a mode the dialog never
    // passes, which writes nothing either.
    optimizer.SetPagingFile(3, "C:\\windows");
    EXPECT_EQ(std::string("C:\\pagefile.sys 0 0\0\0", 21), PagingFiles());
    ASSERT_EQ(ERROR_SUCCESS,
              DeleteValue(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles"));
    optimizer.SetPagingFile(1, "C:\\windows");
    EXPECT_EQ(1, optimizer.NeedsReboot());
}

// A list the registry refuses to take asks for no restart: there is nothing to restart for.
TEST_F(PagingFileTest, AListThatCouldNotBeWrittenRaisesNoRestartFlag)
{
    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, 0,
                                             READ_CONTROL | WRITE_DAC, &raw));
    std::vector<BYTE> saved(4096);
    DWORD savedSize = static_cast<DWORD>(saved.size());
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegGetKeySecurity(raw, DACL_SECURITY_INFORMATION, saved.data(), &savedSize));
    // Everyone may read the key, nobody may write it, for the length of the call.
    PSECURITY_DESCRIPTOR readOnly = nullptr;
    ASSERT_TRUE(::ConvertStringSecurityDescriptorToSecurityDescriptorA(
        "D:P(A;;KR;;;WD)", SDDL_REVISION_1, &readOnly, nullptr));
    ASSERT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(raw, DACL_SECURITY_INFORMATION, readOnly));
    COptimizer optimizer;
    optimizer.SetPagingFile(0, "D:\\WINDOWS");
    EXPECT_EQ(ERROR_SUCCESS, ::RegSetKeySecurity(raw, DACL_SECURITY_INFORMATION, saved.data()));
    ::LocalFree(readOnly);
    ::RegCloseKey(raw);

    EXPECT_EQ(std::string("C:\\pagefile.sys 0 0\0E:\\pagefile.sys 100 200\0\0", 45), PagingFiles())
        << "the key was not read-only";
    EXPECT_EQ(0, optimizer.NeedsReboot());
}

} // namespace
