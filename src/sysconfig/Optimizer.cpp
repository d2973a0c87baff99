#include "Optimizer.h"

#include <windows.h>
#include <cstring>

#include "RegistryKey.h"
#include "ServiceControl.h"
#include "framework/Text.h"

namespace
{

const char kMemoryManagementKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";

// Search and Superfetch are left to start on demand or switched off entirely; other services
// (defragmentation) start automatically or on demand.
bool IsOnDemandService(const char* name)
{
    return name && (_stricmp(name, "SysMain") == 0 || _stricmp(name, "WSearch") == 0);
}

bool IsDriveLetter(char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

} // namespace

int COptimizer::IsAhciMode()
{
    // AHCI mode: the AHCI driver service starts at boot and the IDE driver only on demand.
    // From Windows 8 on the standard AHCI driver is "storahci" and "msahci" is gone.
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\services\\msahci") !=
            ERROR_SUCCESS &&
        key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\services\\storahci") !=
            ERROR_SUCCESS)
        return 0;
    DWORD start = 0;
    if (key.QueryDWordValue("Start", start) != ERROR_SUCCESS || start != 0)
        return 0;
    key.Close();
    if (key.Open(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\services\\pciide") !=
        ERROR_SUCCESS)
        return 0;
    if (key.QueryDWordValue("Start", start) != ERROR_SUCCESS)
        return 0;
    key.Close();
    return start == 3 ? 1 : 0;
}

int COptimizer::SetPagingFile(int mode)
{
    char windowsDirectory[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windowsDirectory, MAX_PATH);
    return SetPagingFile(mode, windowsDirectory);
}

int COptimizer::SetPagingFile(int mode, const char* windowsDirectory)
{
    // Without a drive letter there is no paging-file name to write; " 0 0" alone would leave
    // Windows without a valid paging-file list.
    if (mode < 0 || mode > 2 || !windowsDirectory || !IsDriveLetter(windowsDirectory[0]))
        return 1;
    CRegistryKey key;
    if (key.Open(HKEY_LOCAL_MACHINE, kMemoryManagementKey) != ERROR_SUCCESS)
        return 1;
    // The current list only has to be there and be readable; its content is replaced.
    char current[8196] = {};
    if (key.QueryStringValue("PagingFiles", current) != ERROR_SUCCESS)
        return 1;

    char pageFile[MAX_PATH] = {};
    fw::FormatText(pageFile, sizeof(pageFile), "%c:\\pagefile.sys", windowsDirectory[0]);
    char pagingFiles[MAX_PATH] = {};
    if (mode == 0)
        fw::FormatText(pagingFiles, sizeof(pagingFiles), "%s 0 0", pageFile);
    else if (mode == 1)
        fw::FormatText(pagingFiles, sizeof(pagingFiles), "%s 200 1024", pageFile);
    // A restart is worth asking for only when the new list is in the registry.
    const LONG written = key.SetMultiStringValue("PagingFiles", pagingFiles);
    key.SetDWordValue("DisablePagingExecutive", mode == 2 ? 1 : 0);
    if (written == ERROR_SUCCESS)
        m_bNeedReboot = 1;
    return 1;
}

int COptimizer::EnableService(const char* name)
{
    CServiceControl service;
    service.SetServiceName(name);
    service.SetStartType(IsOnDemandService(name) ? SERVICE_DEMAND_START : SERVICE_AUTO_START);
    service.Start();
    return 1;
}

int COptimizer::DisableService(const char* name)
{
    CServiceControl service;
    service.SetServiceName(name);
    service.Stop(5);
    service.SetStartType(IsOnDemandService(name) ? SERVICE_DISABLED : SERVICE_DEMAND_START);
    return 1;
}
