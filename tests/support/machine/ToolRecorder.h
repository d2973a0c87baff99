// The recorder program standing in for system tools in the test prefix, and its log.
#pragma once

#include "TestSupport.h"
#include "common/ProgramFacts.h"
#include "recorder/RecordedStarts.h"

#include <windows.h>
#include <string>
#include <vector>

namespace sysconfig_test
{

// WOW64 file-system redirection off for this thread while the object lives.
class CRedirectionOff
{
public:
    CRedirectionOff();
    ~CRedirectionOff();
    CRedirectionOff(const CRedirectionOff&) = delete;
    CRedirectionOff& operator=(const CRedirectionOff&) = delete;
    bool IsOff() const { return m_off; }

private:
    PVOID m_old = nullptr;
    bool m_off = false;
};

// The recorder copied in as folder\fileName; whatever was there before comes back when the
// object goes. bits64: folder is the 64-bit system32, reached with the redirection off.
class CInstalledTool
{
public:
    CInstalledTool(std::string folder, std::string fileName, bool bits64 = false);
    ~CInstalledTool();
    CInstalledTool(const CInstalledTool&) = delete;
    CInstalledTool& operator=(const CInstalledTool&) = delete;
    bool Installed() const { return m_installed; }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
    std::string m_saved;
    bool m_bits64;
    bool m_hadFile = false;
    bool m_installed = false;
};

using recorder::RecordedStart;

// The log the recorder writes, set up for this process (and the tools it starts, itself or through
// the desktop shell).
class CRecorderLog
{
public:
    CRecorderLog();
    ~CRecorderLog();
    std::vector<RecordedStart> Read() const;
    // Waits until at least count starts are logged; the starts logged by then.
    std::vector<RecordedStart> WaitFor(size_t count, DWORD timeoutMs = 20000) const;

private:
    std::string m_path;
    testsupport::CScopedRegValue m_forShellStarts;
};

using facts::kMemoryManagementKey;

// The 32-bit view of the system folder (where a 32-bit program's system tools come from).
std::string SysWow64Folder();
// The 64-bit system folder, as seen with the redirection off.
std::string System32Folder();

// Everything an apply run of the program touches, replaced for a test and put back afterwards:
// recorders for the tools, saved paging-file values, the test service under the three names.
struct CApplyStandIns
{
    bool Ready() const
    {
        return fsutil.Installed() && powercfg.Installed() && bcdedit64.Installed() &&
               bcdedit32.Installed() && wsearch.Created() && sysmain.Created() && defrag.Created();
    }

    // Writes the paging-file setting the apply rewrites (a REG_MULTI_SZ literal, NULs included).
    template <size_t N> LONG SetPagingFiles(const char (&value)[N]) const
    {
        return WriteRaw(HKEY_LOCAL_MACHINE, kMemoryManagementKey, "PagingFiles", REG_MULTI_SZ,
                        value, N);
    }

    CRecorderLog log;
    CInstalledTool fsutil{SysWow64Folder(), "fsutil.exe"};
    CInstalledTool powercfg{SysWow64Folder(), "powercfg.exe"};
    // bcdedit is the 64-bit system folder's tool; a copy in the 32-bit one would show the
    // program's own view taken.
    CInstalledTool bcdedit64{System32Folder(), "bcdedit.exe", true};
    CInstalledTool bcdedit32{SysWow64Folder(), "bcdedit.exe"};
    CSavedValue pagingFiles{HKEY_LOCAL_MACHINE, kMemoryManagementKey, "PagingFiles"};
    CSavedValue pagingExecutive{HKEY_LOCAL_MACHINE, kMemoryManagementKey, "DisablePagingExecutive"};
    CTestService wsearch{"WSearch", SERVICE_AUTO_START, 0, true};
    CTestService sysmain{"SysMain", SERVICE_AUTO_START, 0, true};
    CTestService defrag{"defragsvc", SERVICE_DEMAND_START, 0, true};
};

} // namespace sysconfig_test
