#include "ServiceControl.h"

#include <cstring>

#include "framework/Handles.h"
#include "framework/Text.h"

namespace
{

using ControlServiceFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPSERVICE_STATUS);
using CloseServiceHandleFn = BOOL(WINAPI*)(SC_HANDLE);
using ChangeServiceConfigAFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, DWORD, DWORD, LPCSTR, LPCSTR,
                                             LPDWORD, LPCSTR, LPCSTR, LPCSTR, LPCSTR);
using QueryServiceStatusFn = BOOL(WINAPI*)(SC_HANDLE, LPSERVICE_STATUS);
using StartServiceAFn = BOOL(WINAPI*)(SC_HANDLE, DWORD, LPCSTR*);

// The functions we bind, in binding order. Only seven are called; the rest are bound so that
// the set stays the one the service code was written against, and binding counts as complete
// only when every one of them is there.
const char* const kServiceFunctionNames[] = {"GetSecurityDescriptorDacl",
                                             "BuildExplicitAccessWithNameA",
                                             "SetEntriesInAclA",
                                             "InitializeSecurityDescriptor",
                                             "SetSecurityDescriptorDacl",
                                             "SetServiceObjectSecurity",
                                             "EnumDependentServicesA",
                                             "EnumServicesStatusExA",
                                             "OpenSCManagerA",
                                             "OpenServiceA",
                                             "ControlService",
                                             "CloseServiceHandle",
                                             "ChangeServiceConfigA",
                                             "DeleteService",
                                             "QueryServiceConfigA",
                                             "QueryServiceObjectSecurity",
                                             "QueryServiceStatus",
                                             "QueryServiceStatusEx",
                                             "StartServiceA",
                                             "CreateServiceA"};
const int kServiceFunctionCount = sizeof(kServiceFunctionNames) / sizeof(kServiceFunctionNames[0]);

enum ServiceFunction
{
    kOpenSCManagerA = 8,
    kOpenServiceA = 9,
    kControlService = 10,
    kCloseServiceHandle = 11,
    kChangeServiceConfigA = 12,
    kQueryServiceStatus = 16,
    kStartServiceA = 18,
};

// Process-wide and never released. Only the apply worker comes here, one apply at a time.
struct ServiceApi
{
    HMODULE module;
    FARPROC functions[kServiceFunctionCount];
    bool complete;
};
ServiceApi g_serviceApi;

template <typename Fn> Fn Bound(ServiceFunction which)
{
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(g_serviceApi.functions[which]));
}

int BindServiceApi()
{
    if (g_serviceApi.complete)
        return 1;
    if (!g_serviceApi.module)
    {
        // The program runs elevated: take advapi32.dll from the system folder only, never from
        // a folder a user could plant a copy in.
        wchar_t path[MAX_PATH] = {};
        const UINT length = ::GetSystemDirectoryW(path, MAX_PATH);
        if (length == 0 || length >= MAX_PATH)
            return 0;
        if (!fw::FormatText(path + length, MAX_PATH - length, L"\\advapi32.dll"))
            return 0;
        g_serviceApi.module = ::LoadLibraryW(path);
        if (!g_serviceApi.module)
            return 0;
    }
    for (int i = 0; i < kServiceFunctionCount; ++i)
    {
        g_serviceApi.functions[i] = ::GetProcAddress(g_serviceApi.module, kServiceFunctionNames[i]);
        if (!g_serviceApi.functions[i])
            return 0;
    }
    g_serviceApi.complete = true;
    return 1;
}

struct ServiceHandleTraits
{
    using handle_type = SC_HANDLE;
    static SC_HANDLE Invalid() noexcept { return nullptr; }
    static void Close(SC_HANDLE h) noexcept { Bound<CloseServiceHandleFn>(kCloseServiceHandle)(h); }
};
using CServiceHandle = fw::CHandleOwner<ServiceHandleTraits>;

void EnableDebugPrivilege()
{
    fw::CKernelHandle token;
    if (!::OpenProcessToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY,
                            token.Receive()))
        return;
    TOKEN_PRIVILEGES privileges = {};
    if (!::LookupPrivilegeValueA(nullptr, "SeDebugPrivilege", &privileges.Privileges[0].Luid))
        return;
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    ::AdjustTokenPrivileges(token.Get(), FALSE, &privileges, sizeof(privileges), nullptr, nullptr);
}

// The manager and the service, each opened with only the rights the step needs: the manager to
// connect, the service for what the step does to it. Both are closed when this goes away, the
// service first (members go in reverse order).
struct OpenedService
{
    CServiceHandle manager;
    CServiceHandle service;
    int failure = 0; // 0, or CServiceControl::kFailed / kNoSuchService

    OpenedService(const char* name, DWORD access)
    {
        const OpenSCManagerAFn openManager =
            g_pfnOpenSCManagerA ? g_pfnOpenSCManagerA : Bound<OpenSCManagerAFn>(kOpenSCManagerA);
        const OpenServiceAFn openService =
            g_pfnOpenServiceA ? g_pfnOpenServiceA : Bound<OpenServiceAFn>(kOpenServiceA);
        manager.Reset(openManager(nullptr, nullptr, SC_MANAGER_CONNECT));
        if (!manager)
        {
            failure = CServiceControl::kFailed;
            return;
        }
        service.Reset(openService(manager.Get(), name, access));
        if (!service)
        {
            const DWORD error = ::GetLastError();
            manager.Reset();
            failure = error == ERROR_SERVICE_DOES_NOT_EXIST ? CServiceControl::kNoSuchService
                                                            : CServiceControl::kFailed;
        }
    }
};

} // namespace

OpenSCManagerAFn g_pfnOpenSCManagerA = nullptr;
OpenServiceAFn g_pfnOpenServiceA = nullptr;

CServiceControl::CServiceControl() : m_szServiceName()
{
    EnableDebugPrivilege();
    m_bBound = BindServiceApi();
}

void CServiceControl::SetServiceName(const char* name)
{
    std::memset(m_szServiceName, 0, sizeof(m_szServiceName));
    if (name)
        std::strncpy(m_szServiceName, name, sizeof(m_szServiceName) - 1);
}

int CServiceControl::SetStartType(DWORD startType)
{
    if (!m_bBound)
        return kFailed;
    OpenedService opened(m_szServiceName, SERVICE_CHANGE_CONFIG);
    if (opened.failure)
        return opened.failure;
    return Bound<ChangeServiceConfigAFn>(kChangeServiceConfigA)(
        opened.service.Get(), SERVICE_NO_CHANGE, startType, SERVICE_NO_CHANGE, nullptr, nullptr,
        nullptr, nullptr, nullptr, nullptr, nullptr);
}

int CServiceControl::Stop(int waitCount)
{
    if (!m_bBound)
        return kFailed;
    OpenedService opened(m_szServiceName, SERVICE_STOP | SERVICE_QUERY_STATUS);
    if (opened.failure)
        return opened.failure;

    // The answer is the state of the last call that succeeded: a service already stopped
    // refuses the stop request, and the status query then reports it stopped.
    SERVICE_STATUS last = {};
    bool seen = false;
    SERVICE_STATUS status = {};
    if (Bound<ControlServiceFn>(kControlService)(opened.service.Get(), SERVICE_CONTROL_STOP,
                                                 &status))
    {
        last = status;
        seen = true;
    }
    const auto queryStatus = Bound<QueryServiceStatusFn>(kQueryServiceStatus);
    for (;;)
    {
        if (!queryStatus(opened.service.Get(), &status))
            break;
        last = status;
        seen = true;
        if (status.dwCurrentState != SERVICE_STOP_PENDING || waitCount == 0)
            break;
        if (waitCount != kWaitForever)
            --waitCount;
        ::Sleep(1000);
    }
    return seen && last.dwCurrentState == SERVICE_STOPPED ? 1 : kFailed;
}

int CServiceControl::Start()
{
    if (!m_bBound)
        return kFailed;
    OpenedService opened(m_szServiceName, SERVICE_START);
    if (opened.failure)
        return opened.failure;
    return Bound<StartServiceAFn>(kStartServiceA)(opened.service.Get(), 0, nullptr) ? 1 : kFailed;
}
