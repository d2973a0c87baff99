// The disk query frame against Wine's own WMI service. Every test runs in a process of its own
// (CTest starts one per test), which matters: the process COM security can be fixed only once.
#include "disks/DiskQuery.h"
#include "disks/SsdDetect.h"
#include "framework/ComSecurity.h"
#include "framework/Handles.h"
#include "framework/Text.h"
#include "WmiProvider.h"

#include <gtest/gtest.h>

#include <sddl.h>

#include <string>
#include <vector>

namespace
{

class CModelRecorder : public CDiskVisitor
{
public:
    void VisitDisk(IWbemClassObject& disk, VARIANT& value) override
    {
        ReadDiskProperty(disk, L"Model", value);
        models.push_back(value.vt == VT_BSTR ? fw::WideToAnsi(value.bstrVal, CP_ACP) : "<null>");
        TakeSsdModel(value.vt == VT_BSTR ? value.bstrVal : nullptr, ssd);
    }
    std::vector<std::string> models;
    std::string ssd;
};

// True when the calling thread has no COM apartment: only then can it enter the multi-threaded
// one with S_OK. Leaves the thread as it found it.
bool ThreadHasNoApartment()
{
    HRESULT hr = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(hr))
        ::CoUninitialize();
    return hr == S_OK;
}

TEST(DiskQuery, WalksWineDisksAndFindsNoSsd)
{
    CModelRecorder recorder;
    ASSERT_TRUE(RunDiskQuery(recorder));
    ASSERT_FALSE(recorder.models.empty());
    for (const auto& model : recorder.models)
        EXPECT_EQ("Wine Disk Drive", model);
    EXPECT_EQ("", recorder.ssd);
    EXPECT_EQ("", FindSsdModelOfDisks());
    EXPECT_TRUE(ThreadHasNoApartment());
}

TEST(DiskQuery, SingleThreadedApartmentAlreadyOpenIsBalanced)
{
    ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    CModelRecorder recorder;
    EXPECT_TRUE(RunDiskQuery(recorder));
    EXPECT_FALSE(recorder.models.empty());
    // Still exactly our own open: one close leaves the thread without an apartment.
    ::CoUninitialize();
    EXPECT_TRUE(ThreadHasNoApartment());
}

TEST(DiskQuery, MultiThreadedApartmentGivesTheEmptyResult)
{
    ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    CModelRecorder recorder;
    EXPECT_FALSE(RunDiskQuery(recorder));
    EXPECT_TRUE(recorder.models.empty());
    // The caller's apartment is left open and multi-threaded.
    EXPECT_EQ(S_FALSE, ::CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    ::CoUninitialize();
    ::CoUninitialize();
    EXPECT_TRUE(ThreadHasNoApartment());
}

// The descriptor the query hands COM as the process's security: whether it is in the absolute
// form COM takes, owner, group and access list as text, and its integrity label, read from the
// ACE itself (not every platform writes labels as text).
std::string g_passedSecurity;

HRESULT WINAPI RecordSecurity(PSECURITY_DESCRIPTOR sd, LONG count,
                              SOLE_AUTHENTICATION_SERVICE* services, void* reserved, DWORD level,
                              DWORD impersonation, void* list, DWORD capabilities, void* reserved3)
{
    SECURITY_DESCRIPTOR_CONTROL control = SE_SELF_RELATIVE;
    DWORD revision = 0;
    char* text = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    PACL sacl = nullptr;
    SYSTEM_MANDATORY_LABEL_ACE* label = nullptr;
    char* sid = nullptr;
    if (sd && ::GetSecurityDescriptorControl(sd, &control, &revision) &&
        !(control & SE_SELF_RELATIVE) &&
        ::ConvertSecurityDescriptorToStringSecurityDescriptorA(
            sd, SDDL_REVISION_1,
            OWNER_SECURITY_INFORMATION | GROUP_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
            &text, nullptr) &&
        ::GetSecurityDescriptorSacl(sd, &present, &sacl, &defaulted) && sacl &&
        sacl->AceCount == 1 && ::GetAce(sacl, 0, reinterpret_cast<void**>(&label)) &&
        label->Header.AceType == SYSTEM_MANDATORY_LABEL_ACE_TYPE &&
        ::ConvertSidToStringSidA(&label->SidStart, &sid))
        g_passedSecurity = std::string(text) + " label " + sid + " mask " +
                           std::to_string(label->Mask) + " caps " + std::to_string(capabilities);
    ::LocalFree(text);
    ::LocalFree(sid);
    return ::CoInitializeSecurity(sd, count, services, reserved, level, impersonation, list,
                                  capabilities, reserved3);
}

HRESULT WINAPI RefuseAsTooLate(PSECURITY_DESCRIPTOR, LONG, SOLE_AUTHENTICATION_SERVICE*, void*,
                               DWORD, DWORD, void*, DWORD, void*)
{
    return RPC_E_TOO_LATE;
}

// The security the start-up fixes: nobody but SYSTEM and the Administrators, at high integrity
// (S-1-16-12288, calls from below refused: no execute up, mask 4), may call into the elevated
// process's COM objects, and no custom unmarshaller is loaded (0x2000). The disk query then goes
// on under it, where Windows would refuse a second setting.
TEST(DiskQuery, ComSecurityAdmitsOnlySystemAndAdministratorsAtHighIntegrity)
{
    fw::CApartment startup;
    fw::g_pfnCoInitializeSecurity = &RecordSecurity;
    ASSERT_TRUE(fw::SetProcessComSecurity());
    EXPECT_EQ("O:BAG:BAD:(A;;CCDC;;;SY)(A;;CCDC;;;BA) label S-1-16-12288 mask 4 caps 8192",
              g_passedSecurity);
    fw::g_pfnCoInitializeSecurity = &RefuseAsTooLate;
    CModelRecorder recorder;
    EXPECT_TRUE(RunDiskQuery(recorder));
    EXPECT_FALSE(recorder.models.empty());
}

TEST(DiskQuery, SecurityFixedEarlierGivesTheEmptyResult)
{
    ASSERT_EQ(S_OK, ::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    HRESULT first =
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    HRESULT again =
        ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                               RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    ::CoUninitialize();
    ASSERT_EQ(S_OK, first);
    if (SUCCEEDED(again))
        GTEST_SKIP() << "this COM lets process security be set twice";

    CModelRecorder recorder;
    EXPECT_FALSE(RunDiskQuery(recorder));
    EXPECT_TRUE(recorder.models.empty());
    EXPECT_TRUE(ThreadHasNoApartment());
}

// The locator's registration, pointed elsewhere for the length of a test and put back after.
class LocatorRegistration : public ::testing::Test
{
protected:
    static constexpr const char* kServerKey =
        "Software\\Classes\\CLSID\\{4590F811-1D3A-11D0-891F-00AA004B2E24}\\InprocServer32";

    void PointLocatorAt(const std::string& dll)
    {
        LONG rc = ::RegOpenKeyExA(HKEY_LOCAL_MACHINE, kServerKey, 0,
                                  KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_32KEY, &m_key);
        ASSERT_EQ(ERROR_SUCCESS, rc) << "no locator registration to change";
        char saved[MAX_PATH * 2] = {};
        DWORD size = sizeof(saved);
        ASSERT_EQ(ERROR_SUCCESS, ::RegQueryValueExA(m_key, nullptr, nullptr, &m_savedType,
                                                    reinterpret_cast<BYTE*>(saved), &size));
        m_saved.assign(saved, size);
        m_changed = true;
        ASSERT_EQ(ERROR_SUCCESS, ::RegSetValueExA(m_key, nullptr, 0, REG_SZ,
                                                  reinterpret_cast<const BYTE*>(dll.c_str()),
                                                  static_cast<DWORD>(dll.size() + 1)));
    }

    void TearDown() override
    {
        if (m_changed)
            EXPECT_EQ(ERROR_SUCCESS, ::RegSetValueExA(m_key, nullptr, 0, m_savedType,
                                                      reinterpret_cast<const BYTE*>(m_saved.data()),
                                                      static_cast<DWORD>(m_saved.size())));
        if (m_key)
            ::RegCloseKey(m_key);
        ::SetEnvironmentVariableA(TEST_WMI_MODELS_VARIABLE, nullptr);
    }

    HKEY m_key = nullptr;
    DWORD m_savedType = REG_SZ;
    std::string m_saved;
    bool m_changed = false;
};

TEST_F(LocatorRegistration, LaterSetupFailureStillClosesTheApartment)
{
    ASSERT_NO_FATAL_FAILURE(PointLocatorAt("C:\\windows\\no-such-folder\\nowbemprox.dll"));
    CModelRecorder recorder;
    EXPECT_FALSE(RunDiskQuery(recorder));
    EXPECT_TRUE(recorder.models.empty());
    EXPECT_TRUE(ThreadHasNoApartment());
}

// The stand-in WMI delivers chosen models through the real COM path.
TEST_F(LocatorRegistration, StandInDisksThroughTheRealPath)
{
    std::string dll = "Z:" TESTWMI_DLL;
    for (char& c : dll)
        c = c == '/' ? '\\' : c;
    HMODULE standIn = ::LoadLibraryA(dll.c_str());
    ASSERT_NE(nullptr, standIn) << dll;
    auto getRecord = reinterpret_cast<TestWmiGetRecordProc>(
        reinterpret_cast<void*>(::GetProcAddress(standIn, "TestWmiGetRecord")));
    ASSERT_NE(nullptr, getRecord);
    ASSERT_NO_FATAL_FAILURE(PointLocatorAt(dll));

    ::SetEnvironmentVariableA(TEST_WMI_MODELS_VARIABLE, "Acme Ssd 120G|<null>|Wine Disk Drive");
    EXPECT_EQ("ACME SSD 120G", FindSsdModelOfDisks());
    ::SetEnvironmentVariableA(TEST_WMI_MODELS_VARIABLE, "first ssd|<null>|Second SSD|HDD");
    EXPECT_EQ("SECOND SSD", FindSsdModelOfDisks());

    const TestWmiRecord& record = *getRecord();
    EXPECT_EQ(2, record.queries);
    EXPECT_EQ(0, record.liveObjects) << "an object of the query was not released";
    EXPECT_STREQ(L"ROOT\\CIMV2", record.nameSpace);
    EXPECT_STREQ(L"WQL", record.language);
    EXPECT_STREQ(L"SELECT * FROM Win32_DiskDrive", record.query);
    EXPECT_EQ(WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, record.queryFlags);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_WINNT), record.authnService);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_AUTHN_LEVEL_CALL), record.authnLevel);
    EXPECT_EQ(static_cast<DWORD>(RPC_C_IMP_LEVEL_IMPERSONATE), record.impLevel);
    EXPECT_TRUE(ThreadHasNoApartment());
    ::FreeLibrary(standIn);
}

} // namespace
