#include "TestSupport.h"

namespace sysconfig_test
{

std::string SupportProgram(const char* exeName)
{
    return WinePath(std::string(DADAROR_SUPPORT_BIN_DIR) + "/" + exeName);
}

RawValue ReadRaw(HKEY root, const char* subKey, const char* name)
{
    RawValue value;
    HKEY key = nullptr;
    value.status = ::RegOpenKeyExA(root, subKey, 0, KEY_QUERY_VALUE, &key);
    if (value.status != ERROR_SUCCESS)
        return value;
    DWORD size = 0;
    value.status = ::RegQueryValueExA(key, name, nullptr, &value.type, nullptr, &size);
    if (value.status == ERROR_SUCCESS)
    {
        value.data.resize(size);
        value.status = ::RegQueryValueExA(key, name, nullptr, &value.type,
                                          size ? value.data.data() : nullptr, &size);
        value.data.resize(size);
    }
    ::RegCloseKey(key);
    return value;
}

LONG WriteRaw(HKEY root, const char* subKey, const char* name, DWORD type, const void* data,
              DWORD size)
{
    HKEY key = nullptr;
    LONG status =
        ::RegCreateKeyExA(root, subKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    status = ::RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size);
    ::RegCloseKey(key);
    return status;
}

LONG DeleteValue(HKEY root, const char* subKey, const char* name)
{
    HKEY key = nullptr;
    LONG status = ::RegOpenKeyExA(root, subKey, 0, KEY_SET_VALUE, &key);
    if (status != ERROR_SUCCESS)
        return status;
    status = ::RegDeleteValueA(key, name);
    ::RegCloseKey(key);
    return status;
}

bool ServiceExists(const char* name)
{
    SC_HANDLE manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_CONNECT);
    SC_HANDLE service = manager ? ::OpenServiceA(manager, name, SERVICE_QUERY_STATUS) : nullptr;
    const bool exists = service != nullptr || ::GetLastError() != ERROR_SERVICE_DOES_NOT_EXIST;
    if (service)
        ::CloseServiceHandle(service);
    if (manager)
        ::CloseServiceHandle(manager);
    return exists;
}

CTestService::CTestService(const char* name, DWORD startType, DWORD stopDelayMs, bool start)
    : m_name(name)
{
    m_manager = ::OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
    const std::string binary = "\"" + SupportProgram("dadaror_testservice.exe") +
                               "\" --stop-delay=" + std::to_string(stopDelayMs);
    if (m_manager)
        m_service = ::CreateServiceA(m_manager, name, name, SERVICE_ALL_ACCESS,
                                     SERVICE_WIN32_OWN_PROCESS, startType, SERVICE_ERROR_IGNORE,
                                     binary.c_str(), nullptr, nullptr, nullptr, nullptr, nullptr);
    if (m_service && start)
        StartAndWaitRunning();
}

CTestService::~CTestService()
{
    if (m_service)
    {
        SERVICE_STATUS status = {};
        ::ControlService(m_service, SERVICE_CONTROL_STOP, &status);
        WaitForState(SERVICE_STOPPED, 30000);
        ::DeleteService(m_service);
        ::CloseServiceHandle(m_service);
        // The name is free again only once the manager has let go of the entry.
        WaitUntil([&] { return !ServiceExists(m_name.c_str()); }, 10000);
    }
    if (m_manager)
        ::CloseServiceHandle(m_manager);
}

DWORD CTestService::State() const
{
    SERVICE_STATUS status = {};
    return ::QueryServiceStatus(m_service, &status) ? status.dwCurrentState : 0;
}

bool CTestService::WaitForState(DWORD state, DWORD timeoutMs) const
{
    return WaitUntil([&] { return State() == state; }, timeoutMs);
}

DWORD CTestService::StartType() const
{
    char buffer[8192];
    auto config = reinterpret_cast<QUERY_SERVICE_CONFIGA*>(buffer);
    DWORD needed = 0;
    return ::QueryServiceConfigA(m_service, config, sizeof(buffer), &needed) ? config->dwStartType
                                                                             : 0xFFFFFFFF;
}

bool CTestService::StartAndWaitRunning() const
{
    return ::StartServiceA(m_service, 0, nullptr) && WaitForState(SERVICE_RUNNING, 20000);
}

} // namespace sysconfig_test
