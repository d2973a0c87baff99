// The advertisement panel's host: made from the main dialog's template, following its size,
// navigating once to a local server, leaving COM security to the disk query, and staying an
// empty panel when the control cannot be had.
#include "BrowserRig.h"

#include "net/panel/PanelGuard.h"

#include "HttpTestServer.h"
#include "common/Paths.h"
#include "common/Registry.h"
#include "common/Wait.h"

#include <gtest/gtest.h>

#include <exdisp.h>
#include <mshtmdid.h>
#include <mshtmhst.h>
#include <urlmon.h>

#include <memory>
#include <string>
#include <vector>

using namespace browsertest;
using testsupport::CHttpTestServer;
using testsupport::PumpUntil;

namespace
{

const char kPage[] = "<html><body>ad</body></html>";

HWND ContainerOf(HWND host)
{
    return ::GetWindow(host, GW_CHILD);
}

bool HasControl(HWND host)
{
    fw::CComPtr<IUnknown> control;
    return browserhost::GetControl(host, control.Receive()) == S_OK;
}

HRESULT WithoutSink(HWND, IUnknown*, IDispatch**)
{
    return E_OUTOFMEMORY;
}

// The panel's own sink, kept for the test to call as the browser does.
fw::CComPtr<IDispatch> g_keptSink;
HRESULT KeepingSink(HWND panel, IUnknown* browser, IDispatch** sink)
{
    const HRESULT hr = panelguard::CreateEventSink(panel, browser, sink);
    if (SUCCEEDED(hr))
        (*g_keptSink.Receive() = *sink)->AddRef();
    return hr;
}

} // namespace

TEST(BrowserHost, TemplateCreatesTheControlAndItFollowsThePanelSize)
{
    OleScope ole;
    MainTemplate dlg;
    ASSERT_NE(nullptr, dlg.m_dialog);
    ASSERT_NE(nullptr, dlg.m_browser.m_hWnd);
    HWND container = ContainerOf(dlg.m_browser.m_hWnd);
    ASSERT_NE(nullptr, container);
    char cls[64] = {};
    ::GetClassNameA(container, cls, sizeof(cls));
    EXPECT_STREQ("Shell Embedding", cls) << "the control is not active in place in the panel";

    fw::CComPtr<IUnknown> control;
    ASSERT_EQ(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
    fw::CComPtr<IWebBrowser2> web;
    EXPECT_EQ(S_OK, control->QueryInterface(IID_IWebBrowser2, web.ReceiveVoid()));

    // The site the control was given is where it asks for its download control.
    fw::CComPtr<IOleObject> object;
    fw::CComPtr<IOleClientSite> site;
    fw::CComPtr<IDispatch> ambient;
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IOleObject, object.ReceiveVoid()));
    ASSERT_EQ(S_OK, object->GetClientSite(site.Receive()));
    ASSERT_EQ(S_OK, site->QueryInterface(IID_IDispatch, ambient.ReceiveVoid()));
    DISPPARAMS none = {};
    VARIANT flags;
    ::VariantInit(&flags);
    ASSERT_EQ(S_OK, ambient->Invoke(DISPID_AMBIENT_DLCONTROL, IID_NULL, LOCALE_USER_DEFAULT,
                                    DISPATCH_PROPERTYGET, &none, &flags, nullptr, nullptr));
    EXPECT_EQ(VT_I4, flags.vt);
    EXPECT_EQ(panelguard::kDownloadControl, flags.lVal);
    VARIANT_BOOL silent = VARIANT_FALSE;
    EXPECT_EQ(S_OK, web->get_Silent(&silent));
    EXPECT_EQ(VARIANT_TRUE, silent) << "the control may raise boxes of its own";

    // It draws no border, has redirections shown to the guard before they are followed, shows no
    // context menu (S_OK: shown by the site), and hands the engine the panel's security manager.
    fw::CComPtr<IDocHostUIHandler> ui;
    ASSERT_EQ(S_OK, site->QueryInterface(IID_IDocHostUIHandler, ui.ReceiveVoid()));
    DOCHOSTUIINFO info = {sizeof(info)};
    EXPECT_EQ(S_OK, ui->GetHostInfo(&info));
    EXPECT_EQ(DWORD(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_ENABLE_REDIRECT_NOTIFICATION),
              info.dwFlags);
    EXPECT_EQ(S_OK, ui->ShowContextMenu(CONTEXT_MENU_DEFAULT, nullptr, nullptr, nullptr));
    fw::CComPtr<IServiceProvider> services;
    fw::CComPtr<IInternetSecurityManager> security;
    ASSERT_EQ(S_OK, site->QueryInterface(IID_IServiceProvider, services.ReceiveVoid()));
    ASSERT_EQ(S_OK, services->QueryService(SID_SInternetSecurityManager,
                                           IID_IInternetSecurityManager, security.ReceiveVoid()));
    DWORD zone = 0;
    EXPECT_EQ(S_OK, security->MapUrlToZone(L"http://127.0.0.1/", &zone, 0));
    EXPECT_EQ(DWORD(URLZONE_UNTRUSTED), zone);

    // The dialog moves the panel to 120 x 600 at start-up.
    dlg.m_browser.MoveWindow(538, 51, 120, 600);
    RECT rc;
    ::GetClientRect(container, &rc);
    EXPECT_EQ(120, rc.right);
    EXPECT_EQ(600, rc.bottom);
}

// Where the start-up could not fix COM security first, the disk query fixes it later on the same
// thread: making the control must not have fixed it already.
TEST(BrowserHost, ControlLeavesComSecurityToTheDiskQuery)
{
    OleScope ole;
    MainTemplate dlg;
    ASSERT_NE(nullptr, ContainerOf(dlg.m_browser.m_hWnd));
    fw::CComPtr<IUnknown> control;
    ASSERT_EQ(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
    PumpUntil([] { return false; }, 200); // what the control queues at creation runs first
    EXPECT_EQ(S_OK,
              ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                     RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
}

TEST(BrowserHost, Navigate2MakesExactlyOneRequest)
{
    OleScope ole;
    CHttpTestServer server(testsupport::HttpAnswer(200, kPage));
    browserhost::g_pfnCreateEventSink = &KeepingSink;
    MainTemplate dlg;
    browserhost::g_pfnCreateEventSink = &panelguard::CreateEventSink;
    fw::CComPtr<IUnknown> control;
    fw::CComPtr<IDispatch> self;
    ASSERT_EQ(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
    ASSERT_EQ(S_OK, control->QueryInterface(IID_IDispatch, self.ReceiveVoid()));
    const std::string path = "/prodline/advertisement/ssd.asp";
    NavigateTo(dlg.m_browser, server.Url(path));
    // The page's load told ended at once: Wine's browser, without an HTML engine, ends every load
    // in an error at its own moment, which as the first load's end would empty the panel.
    FireLoadEnded(g_keptSink.Get(), DISPID_NAVIGATECOMPLETE2, server.Url(path), self.Get());
    g_keptSink.Release();
    ASSERT_TRUE(PumpUntil([&] { return server.Count(path) >= 1; }, 30000)) << "no request arrived";
    // A second request would follow the first at once; a later navigation arriving alone shows
    // the quiet period is over.
    NavigateTo(dlg.m_browser, server.Url("/later"));
    ASSERT_TRUE(PumpUntil([&] { return server.Count("/later") >= 1; }, 30000));
    EXPECT_EQ(1u, server.Count("GET " + path + " HTTP/1.1")) << server.Requests().front();
}

TEST(BrowserHost, NavigateWithoutAControlMakesNoRequestAndDoesNotCrash)
{
    OleScope ole;
    CHttpTestServer server(testsupport::HttpAnswer(200, kPage));
    // A panel window that holds no control, and an object attached to no window at all.
    CWebBrowser2 unattached;
    NavigateTo(unattached, server.Url("/unattached"));
    HWND owner = ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    CWebBrowser2 plain;
    ASSERT_TRUE(plain.SubclassWindow(::CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 10, 10,
                                                       owner, nullptr, nullptr, nullptr)));
    NavigateTo(plain, server.Url("/plain"));
    // Missing arguments are not followed.
    plain.Navigate2(nullptr, nullptr, nullptr, nullptr, nullptr);
    plain.UnsubclassWindow();
    ::DestroyWindow(owner);

    // A panel whose guard could not be connected lets go of its control rather than load unguarded.
    browserhost::g_pfnCreateEventSink = &WithoutSink;
    {
        MainTemplate unguarded;
        browserhost::g_pfnCreateEventSink = &panelguard::CreateEventSink;
        EXPECT_FALSE(HasControl(unguarded.m_browser.m_hWnd));
        NavigateTo(unguarded.m_browser, server.Url("/unguarded"));
    }

    // A panel that has its control, navigated afterwards: once its request is in, any request of
    // the ones above would have been too.
    MainTemplate dlg;
    ASSERT_NE(nullptr, ContainerOf(dlg.m_browser.m_hWnd));
    NavigateTo(dlg.m_browser, server.Url("/working"));
    ASSERT_TRUE(PumpUntil([&] { return server.Count("/working") >= 1; }, 30000));
    EXPECT_EQ(0u, server.Count("/unattached"));
    EXPECT_EQ(0u, server.Count("/plain"));
    EXPECT_EQ(0u, server.Count("/unguarded"));
}

// The page keeps to the origin its first load ended on: a navigation to another port is stopped
// before it asks, one back to the page's own server still goes, a load that ended elsewhere
// empties the panel; the engine's restrictions are on; the panel lets go of its guard when it
// goes away.
TEST(BrowserHost, NavigationsAwayFromThePageAreStoppedAndTheGuardGoesWithThePanel)
{
    OleScope ole;
    const LONG before = panelguard::LiveObjects();
    CHttpTestServer page(testsupport::HttpAnswer(200, kPage));
    CHttpTestServer elsewhere(testsupport::HttpAnswer(200, kPage));
    {
        browserhost::g_pfnCreateEventSink = &KeepingSink;
        MainTemplate dlg;
        browserhost::g_pfnCreateEventSink = &panelguard::CreateEventSink;
        ASSERT_NE(nullptr, ContainerOf(dlg.m_browser.m_hWnd));
        // The engine's own restrictions hold for the whole process from the first panel on.
        for (INTERNETFEATURELIST feature :
             {FEATURE_RESTRICT_ACTIVEXINSTALL, FEATURE_RESTRICT_FILEDOWNLOAD,
              FEATURE_WEBOC_POPUPMANAGEMENT, FEATURE_ZONE_ELEVATION, FEATURE_WINDOW_RESTRICTIONS,
              FEATURE_HTTP_USERNAME_PASSWORD_DISABLE, FEATURE_VALIDATE_NAVIGATE_URL,
              FEATURE_MIME_HANDLING, FEATURE_MIME_SNIFFING, FEATURE_DISABLE_MK_PROTOCOL,
              FEATURE_DISABLE_TELNET_PROTOCOL, FEATURE_PROTOCOL_LOCKDOWN, FEATURE_SAFE_BINDTOOBJECT,
              FEATURE_OBJECT_CACHING, FEATURE_BEHAVIORS, FEATURE_ADDON_MANAGEMENT,
              FEATURE_BLOCK_INPUT_PROMPTS, FEATURE_UNC_SAVEDFILECHECK})
            EXPECT_EQ(S_OK, ::CoInternetIsFeatureEnabled(feature, GET_FEATURE_FROM_PROCESS))
                << feature;
        fw::CComPtr<IUnknown> control;
        fw::CComPtr<IDispatch> self;
        ASSERT_EQ(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
        ASSERT_EQ(S_OK, control->QueryInterface(IID_IDispatch, self.ReceiveVoid()));
        NavigateTo(dlg.m_browser, page.Url("/ad"));
        // Where the load ended, told at once (Wine's browser ends it in an error at its own
        // moment).
        FireLoadEnded(g_keptSink.Get(), DISPID_NAVIGATECOMPLETE2, page.Url("/ad"), self.Get());
        ASSERT_TRUE(PumpUntil([&] { return page.Count("/ad") >= 1; }, 30000));
        NavigateTo(dlg.m_browser, elsewhere.Url("/away"));
        // Long enough for a navigation that was let through to ask before the next one below
        // replaces it.
        EXPECT_FALSE(PumpUntil([&] { return !elsewhere.Requests().empty(); }, 3000));
        NavigateTo(dlg.m_browser, page.Url("/again"));
        ASSERT_TRUE(PumpUntil([&] { return page.Count("/again") >= 1; }, 30000));
        EXPECT_TRUE(elsewhere.Requests().empty());
        FireLoadEnded(g_keptSink.Get(), DISPID_DOCUMENTCOMPLETE, elsewhere.Url("/moved"), nullptr);
        EXPECT_TRUE(PumpUntil([&] { return !HasControl(dlg.m_browser.m_hWnd); }, 5000));
        EXPECT_TRUE(::IsWindow(dlg.m_browser.m_hWnd)) << "the panel itself stays, empty";
        g_keptSink.Release();
    }
    EXPECT_TRUE(PumpUntil([&] { return panelguard::LiveObjects() == before; }, 5000))
        << panelguard::LiveObjects() - before << " left";
}

namespace
{

// Runs the panel's child program (BrowserChild.cpp) in a process in which some DLLs cannot be
// loaded, so that the browser cannot be had. Wine takes
// per-program DLL overrides from the registry; the copy of the child gets a name of its own so
// that nothing else is touched. Its exit code: 0 when the panel stayed empty and the dialog was
// made.
DWORD RunChildWithoutDlls(const char* childName, const std::vector<const char*>& dlls)
{
    const std::string child = testsupport::WinePath(BROWSER_CHILD_UNIX_DIR) + "\\" + childName;
    if (!::CopyFileA(testsupport::WinePath(BROWSER_CHILD_UNIX_PATH).c_str(), child.c_str(), FALSE))
        return 0xC0FF;
    const std::string keyPath =
        std::string("Software\\Wine\\AppDefaults\\") + childName + "\\DllOverrides";
    std::vector<std::unique_ptr<testsupport::CScopedRegValue>> off;
    for (const char* dll : dlls) // "": disabled
        off.push_back(std::make_unique<testsupport::CScopedRegValue>(HKEY_CURRENT_USER, keyPath,
                                                                     dll, std::string()));
    std::string cmd = "\"" + child + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    DWORD code = 0xDEAD;
    if (::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si,
                         &pi))
    {
        fw::CKernelHandle process(pi.hProcess);
        fw::CKernelHandle thread(pi.hThread);
        if (::WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0)
            ::GetExitCodeProcess(pi.hProcess, &code);
        else
        {
            ::TerminateProcess(pi.hProcess, 0xBAD);
            ::WaitForSingleObject(pi.hProcess, 5000);
            code = 0xBAD;
        }
    }
    off.clear();
    ::DeleteFileA(child.c_str());
    return code;
}

} // namespace

TEST(BrowserHost, WhenTheBrowserCannotBeMadeThePanelStaysEmpty)
{
    EXPECT_EQ(0u, RunChildWithoutDlls("unit_browser_nobrowser.exe", {"ieframe", "shdocvw"}));
}
