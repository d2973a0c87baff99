// Helpers shared by the system-configuration tests: waiting on conditions, saving and restoring
// registry values, the support programs built beside the tests.
#pragma once

#include "common/Paths.h"
#include "common/Registry.h"
#include "common/Wait.h"

#include <windows.h>
#include <functional>
#include <string>
#include <vector>

namespace sysconfig_test
{

using testsupport::WaitUntil;
using testsupport::WinePath;

// A support program built into tests/support/bin, by its Windows path.
std::string SupportProgram(const char* exeName);

// One registry value as it was, put back (or deleted again) on destruction.
class CSavedValue : public testsupport::CScopedRegValue
{
public:
    CSavedValue(HKEY root, const char* subKey, const char* name)
        : CScopedRegValue(root, subKey, name, Keep::AsItIs)
    {
    }
};

// Raw value access for the checks: type and bytes as the ANSI registry functions see them.
struct RawValue
{
    LONG status = ERROR_FILE_NOT_FOUND;
    DWORD type = 0;
    std::vector<BYTE> data;
};
RawValue ReadRaw(HKEY root, const char* subKey, const char* name);
LONG WriteRaw(HKEY root, const char* subKey, const char* name, DWORD type, const void* data,
              DWORD size);
LONG DeleteValue(HKEY root, const char* subKey, const char* name);

// Whether the service manager knows a service of that name.
bool ServiceExists(const char* name);

// The project's test service installed under a name for the life of the object (started at once
// when asked), then stopped and deleted. It stops at once, or stays stop-pending for stopDelayMs.
class CTestService
{
public:
    CTestService(const char* name, DWORD startType, DWORD stopDelayMs = 0, bool start = false);
    ~CTestService();
    CTestService(const CTestService&) = delete;
    CTestService& operator=(const CTestService&) = delete;

    bool Created() const { return m_service != nullptr; }
    DWORD State() const;
    bool WaitForState(DWORD state, DWORD timeoutMs) const;
    DWORD StartType() const;
    bool StartAndWaitRunning() const;

private:
    std::string m_name;
    SC_HANDLE m_manager = nullptr;
    SC_HANDLE m_service = nullptr;
};

} // namespace sysconfig_test
