// IsAhciMode on the test prefix's own driver service keys, which the fixture makes for each case
// and removes again (a Wine prefix has none of them).
#include <gtest/gtest.h>

#include <windows.h>
#include <string>

#include "TestSupport.h"
#include "sysconfig/Optimizer.h"

using namespace sysconfig_test;

namespace
{

const char* const kDriverKeys[] = {"SYSTEM\\CurrentControlSet\\services\\msahci",
                                   "SYSTEM\\CurrentControlSet\\services\\storahci",
                                   "SYSTEM\\CurrentControlSet\\services\\pciide"};

// The state of one driver key for a case.
const int kNoKey = -2;
const int kNoStart = -1;

struct AhciCase
{
    const char* what;
    int msahci;
    int storahci;
    int pciide;
    int expected;
};

class AhciModeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* path : kDriverKeys)
        {
            HKEY key = nullptr;
            if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, path, 0, KEY_READ, &key) == ERROR_SUCCESS)
            {
                ::RegCloseKey(key);
                GTEST_SKIP() << path << " exists in this prefix; these cases need it absent";
            }
        }
        m_own = true;
    }
    void TearDown() override
    {
        if (m_own)
            RemoveKeys();
    }
    static void RemoveKeys()
    {
        for (const char* path : kDriverKeys)
            ::RegDeleteKeyA(HKEY_LOCAL_MACHINE, path);
    }
    static void Arrange(const AhciCase& c)
    {
        RemoveKeys();
        const int states[] = {c.msahci, c.storahci, c.pciide};
        for (int i = 0; i < 3; ++i)
        {
            if (states[i] == kNoKey)
                continue;
            HKEY key = nullptr;
            ASSERT_EQ(ERROR_SUCCESS,
                      ::RegCreateKeyExA(HKEY_LOCAL_MACHINE, kDriverKeys[i], 0, nullptr, 0,
                                        KEY_ALL_ACCESS, nullptr, &key, nullptr));
            if (states[i] != kNoStart)
            {
                const DWORD start = static_cast<DWORD>(states[i]);
                ::RegSetValueExA(key, "Start", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&start),
                                 sizeof(start));
            }
            ::RegCloseKey(key);
        }
    }

    bool m_own = false;
};

TEST_F(AhciModeTest, AhciDriverAtBootAndIdeOnDemand)
{
    const AhciCase cases[] = {
        {"msahci boot, pciide on demand", 0, kNoKey, 3, 1},
        {"msahci boot, pciide boot", 0, kNoKey, 0, 0},
        {"msahci on demand", 3, kNoKey, 3, 0},
        {"msahci disabled", 4, kNoKey, 3, 0},
        {"msahci without Start", kNoStart, kNoKey, 3, 0},
        {"msahci boot, pciide key absent", 0, kNoKey, kNoKey, 0},
        {"msahci boot, pciide without Start", 0, kNoKey, kNoStart, 0},
        {"neither AHCI driver key", kNoKey, kNoKey, 3, 0},
        // Windows 8 and later: storahci stands in for a missing msahci.
        {"storahci boot, pciide on demand", kNoKey, 0, 3, 1},
        {"storahci on demand", kNoKey, 3, 3, 0},
        {"storahci without Start", kNoKey, kNoStart, 3, 0},
        {"storahci boot, pciide boot", kNoKey, 0, 0, 0},
        {"storahci boot, pciide key absent", kNoKey, 0, kNoKey, 0},
        // Where msahci exists it alone decides.
        {"msahci on demand beside storahci boot", 3, 0, 3, 0},
        {"msahci without Start beside storahci boot", kNoStart, 0, 3, 0},
        {"msahci boot beside storahci disabled", 0, 4, 3, 1},
    };
    for (const AhciCase& c : cases)
    {
        SCOPED_TRACE(c.what);
        Arrange(c);
        COptimizer optimizer;
        EXPECT_EQ(c.expected, optimizer.IsAhciMode());
        EXPECT_EQ(0, optimizer.NeedsReboot());
    }
}

} // namespace
