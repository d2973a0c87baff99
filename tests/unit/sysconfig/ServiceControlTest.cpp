// Service start types and stops against Wine's real Service Control Manager, with our test
// service installed under the names the program switches (a Wine prefix has none of them).
#include <gtest/gtest.h>

#include <windows.h>
#include <string>
#include <vector>

#include "TestSupport.h"
#include "sysconfig/Optimizer.h"
#include "sysconfig/ServiceControl.h"

using namespace sysconfig_test;

namespace
{

class ServiceControlTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        for (const char* name : {"WSearch", "SysMain", "defragsvc"})
            if (ServiceExists(name))
                GTEST_SKIP() << "this prefix has its own " << name << " service";
    }
};

// Installed as the first name, switched through the second.
struct ServiceCase
{
    const char* installed;
    const char* called;
    DWORD startType;
};

TEST_F(ServiceControlTest, EnableSetsTheStartTypeThenStartsTheService)
{
    const ServiceCase cases[] = {{"WSearch", "WSearch", SERVICE_DEMAND_START},
                                 {"SysMain", "SysMain", SERVICE_DEMAND_START},
                                 {"WSearch", "wsearch", SERVICE_DEMAND_START},
                                 {"defragsvc", "defragsvc", SERVICE_AUTO_START}};
    for (const ServiceCase& c : cases)
    {
        SCOPED_TRACE(c.called);
        // Disabled at first: the service can only start once its start type has changed.
        CTestService service(c.installed, SERVICE_DISABLED);
        ASSERT_TRUE(service.Created());
        COptimizer optimizer;
        EXPECT_EQ(1, optimizer.EnableService(c.called));
        EXPECT_EQ(c.startType, service.StartType());
        EXPECT_TRUE(service.WaitForState(SERVICE_RUNNING, 20000));
    }
}

TEST_F(ServiceControlTest, DisableStopsTheServiceThenSetsTheStartType)
{
    const ServiceCase cases[] = {{"WSearch", "WSearch", SERVICE_DISABLED},
                                 {"SysMain", "SysMain", SERVICE_DISABLED},
                                 {"SysMain", "sysmain", SERVICE_DISABLED},
                                 {"defragsvc", "defragsvc", SERVICE_DEMAND_START}};
    for (const ServiceCase& c : cases)
    {
        SCOPED_TRACE(c.called);
        // A stop that takes a little over a second, so that returning at once would be seen.
        CTestService service(c.installed, SERVICE_AUTO_START, 1200);
        ASSERT_TRUE(service.Created());
        ASSERT_TRUE(service.StartAndWaitRunning());
        COptimizer optimizer;
        EXPECT_EQ(1, optimizer.DisableService(c.called));
        EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.State());
        EXPECT_EQ(c.startType, service.StartType());
    }
}

TEST_F(ServiceControlTest, AStoppedServiceCountsAsStopped)
{
    CTestService service("SysMain", SERVICE_AUTO_START);
    ASSERT_TRUE(service.Created());
    CServiceControl control;
    control.SetServiceName("SysMain");
    // The stop request is refused; the status still says stopped.
    EXPECT_EQ(1, control.Stop(5));

    COptimizer optimizer;
    EXPECT_EQ(1, optimizer.DisableService("SysMain"));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.StartType());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOPPED), service.State());
}

TEST_F(ServiceControlTest, AServiceStillStoppingAfterFiveSecondsIsDisabledAnyway)
{
    CTestService service("WSearch", SERVICE_DEMAND_START, 9000);
    ASSERT_TRUE(service.Created());
    ASSERT_TRUE(service.StartAndWaitRunning());

    // No waits allowed: the request goes out and the answer is "not stopped". The service stops
    // nine seconds after the request; a Stop(0) that waited four of them would let the five
    // seconds below see it stopped.
    CServiceControl control;
    control.SetServiceName("WSearch");
    EXPECT_EQ(CServiceControl::kFailed, control.Stop(0));
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), service.State());

    const ULONGLONG begin = ::GetTickCount64();
    COptimizer optimizer;
    EXPECT_EQ(1, optimizer.DisableService("WSearch"));
    EXPECT_GE(::GetTickCount64() - begin, 4900u);
    EXPECT_EQ(static_cast<DWORD>(SERVICE_STOP_PENDING), service.State());
    EXPECT_EQ(static_cast<DWORD>(SERVICE_DISABLED), service.StartType());
}

// The access asked for at every opening, manager and service alike, in call order.
std::vector<DWORD> g_access;

SC_HANDLE WINAPI RecordOpenManager(LPCSTR machine, LPCSTR database, DWORD access)
{
    g_access.push_back(access);
    return ::OpenSCManagerA(machine, database, access);
}

SC_HANDLE WINAPI RecordOpenService(SC_HANDLE manager, LPCSTR name, DWORD access)
{
    g_access.push_back(access);
    return ::OpenServiceA(manager, name, access);
}

// The manager is only connected to, and each step opens the service for what it does (the real
// manager refuses a step the handle lacks the right for: the tests above show the rights suffice).
TEST_F(ServiceControlTest, EachStepOpensTheServiceWithOnlyTheRightsItNeeds)
{
    CTestService service("SysMain", SERVICE_DISABLED);
    ASSERT_TRUE(service.Created());
    g_access.clear();
    g_pfnOpenSCManagerA = &RecordOpenManager;
    g_pfnOpenServiceA = &RecordOpenService;
    COptimizer optimizer;
    optimizer.EnableService("SysMain");
    optimizer.DisableService("SysMain");
    g_pfnOpenSCManagerA = nullptr;
    g_pfnOpenServiceA = nullptr;

    const std::vector<DWORD> expected = {
        SC_MANAGER_CONNECT, SERVICE_CHANGE_CONFIG,               // enable: start type
        SC_MANAGER_CONNECT, SERVICE_START,                       // enable: start
        SC_MANAGER_CONNECT, SERVICE_STOP | SERVICE_QUERY_STATUS, // disable: stop
        SC_MANAGER_CONNECT, SERVICE_CHANGE_CONFIG};              // disable: start type
    EXPECT_EQ(expected, g_access);
}

TEST_F(ServiceControlTest, AMissingServiceChangesNothing)
{
    const char name[] = "DadarorNoSuchService";
    ASSERT_FALSE(ServiceExists(name));
    CServiceControl control;
    EXPECT_TRUE(control.IsBound());
    control.SetServiceName(name);
    EXPECT_EQ(CServiceControl::kNoSuchService, control.SetStartType(SERVICE_DISABLED));
    EXPECT_EQ(CServiceControl::kNoSuchService, control.Stop(5));
    EXPECT_EQ(CServiceControl::kNoSuchService, control.Start());

    COptimizer optimizer;
    EXPECT_EQ(1, optimizer.EnableService(name));
    EXPECT_EQ(1, optimizer.DisableService(name));
    EXPECT_FALSE(ServiceExists(name));
}

} // namespace
