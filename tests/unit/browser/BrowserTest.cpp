// The advertisement panel's host: made from the main dialog's template, following its size,
// navigating once to a local server, leaving COM security to the disk query, and staying an
// empty panel when the control cannot be had.
#include "net/BrowserHost.h"
#include "net/WebBrowser2.h"
#include "resource.h"

#include "framework/Dialog.h"
#include "framework/Handles.h"

#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>
#include <exdisp.h>
#include <ole2.h>

#include <atomic>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace
{

bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs)
{
    DWORD start = ::GetTickCount();
    for (;;)
    {
        MSG msg;
        while (::PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE))
        {
            ::TranslateMessage(&msg);
            ::DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (::GetTickCount() - start >= timeoutMs)
            return false;
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
}

INT_PTR CALLBACK BareDlgProc(HWND, UINT msg, WPARAM, LPARAM)
{
    return msg == WM_INITDIALOG;
}

class OleScope
{
public:
    OleScope() : m_hr(::OleInitialize(nullptr)) {}
    ~OleScope()
    {
        if (SUCCEEDED(m_hr))
            ::OleUninitialize();
    }

private:
    HRESULT m_hr;
};

// The main dialog's window from its real template (the panel is control 1037), with the panel
// attached to a CWebBrowser2 as the dialog's data exchange does.
class MainTemplate
{
public:
    MainTemplate()
    {
        CWebBrowser2::RegisterHostClass();
        m_dialog = ::CreateDialogParamA(::GetModuleHandleA(nullptr),
                                        MAKEINTRESOURCEA(IDD_SSD_DIALOG), nullptr, &BareDlgProc, 0);
        if (m_dialog)
            m_browser.SubclassWindow(::GetDlgItem(m_dialog, IDC_BROWSER));
    }
    ~MainTemplate()
    {
        m_browser.UnsubclassWindow();
        if (m_dialog)
            ::DestroyWindow(m_dialog);
    }
    HWND m_dialog = nullptr;
    CWebBrowser2 m_browser;
};

// Counts the requests of a browser: a listener on 127.0.0.1 that answers every connection with
// a small page and records its request line.
class LocalServer
{
public:
    LocalServer()
    {
        WSADATA wsa;
        ::WSAStartup(MAKEWORD(2, 2), &wsa);
        m_listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in addr = {};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        ::bind(m_listener, reinterpret_cast<sockaddr*>(&addr), sizeof(addr));
        int len = sizeof(addr);
        ::getsockname(m_listener, reinterpret_cast<sockaddr*>(&addr), &len);
        m_port = ::ntohs(addr.sin_port);
        ::listen(m_listener, 8);
        m_thread = std::thread([this] { Serve(); });
    }
    ~LocalServer()
    {
        ::closesocket(m_listener);
        m_thread.join();
        ::WSACleanup();
    }
    int Port() const { return m_port; }
    std::vector<std::string> Requests()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests;
    }
    size_t Count()
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        return m_requests.size();
    }

private:
    void Serve()
    {
        for (;;)
        {
            SOCKET s = ::accept(m_listener, nullptr, nullptr);
            if (s == INVALID_SOCKET)
                return;
            std::string request;
            char buf[2048];
            while (request.find("\r\n\r\n") == std::string::npos)
            {
                int n = ::recv(s, buf, sizeof(buf), 0);
                if (n <= 0)
                    break;
                request.append(buf, n);
            }
            if (!request.empty())
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_requests.push_back(request.substr(0, request.find("\r\n")));
            }
            const char page[] =
                "HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 27\r\n"
                "Connection: close\r\n\r\n<html><body>ad</body></html>";
            ::send(s, page, sizeof(page) - 1, 0);
            ::shutdown(s, SD_SEND);
            ::closesocket(s);
        }
    }

    SOCKET m_listener = INVALID_SOCKET;
    int m_port = 0;
    std::thread m_thread;
    std::mutex m_mutex;
    std::vector<std::string> m_requests;
};

void NavigateTo(CWebBrowser2& browser, const std::string& address)
{
    std::wstring wide(address.begin(), address.end());
    VARIANT url;
    ::VariantInit(&url);
    url.vt = VT_BSTR;
    url.bstrVal = ::SysAllocString(wide.c_str());
    VARIANT empty;
    ::VariantInit(&empty);
    browser.Navigate2(&url, &empty, &empty, &empty, &empty);
    ::VariantClear(&url);
}

HWND ContainerOf(HWND host)
{
    return ::GetWindow(host, GW_CHILD);
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
    EXPECT_STREQ("AtlAxWin", cls);

    fw::CComPtr<IUnknown> control;
    ASSERT_EQ(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
    fw::CComPtr<IWebBrowser2> web;
    EXPECT_EQ(S_OK, control->QueryInterface(IID_IWebBrowser2, web.ReceiveVoid()));

    // The dialog moves the panel to 120 x 600 at start-up.
    dlg.m_browser.MoveWindow(538, 51, 120, 600);
    RECT rc;
    ::GetClientRect(container, &rc);
    EXPECT_EQ(120, rc.right);
    EXPECT_EQ(600, rc.bottom);
}

// The disk query fixes COM security later on the same thread: making the control must not have
// fixed it already.
TEST(BrowserHost, ControlLeavesComSecurityToTheDiskQuery)
{
    OleScope ole;
    MainTemplate dlg;
    ASSERT_NE(nullptr, ContainerOf(dlg.m_browser.m_hWnd));
    fw::CComPtr<IUnknown> control;
    ASSERT_EQ(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
    PumpUntil([] { return false; }, 200);
    EXPECT_EQ(S_OK,
              ::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                                     RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr));
}

TEST(BrowserHost, Navigate2MakesExactlyOneRequest)
{
    OleScope ole;
    LocalServer server;
    MainTemplate dlg;
    ASSERT_NE(nullptr, ContainerOf(dlg.m_browser.m_hWnd));
    const std::string path = "/prodline/advertisement/ssd.asp";
    NavigateTo(dlg.m_browser, "http://127.0.0.1:" + std::to_string(server.Port()) + path);
    ASSERT_TRUE(PumpUntil([&] { return server.Count() >= 1; }, 30000)) << "no request arrived";
    // Grace period for a second request that must not come.
    PumpUntil([] { return false; }, 1500);
    int pageRequests = 0;
    for (const std::string& line : server.Requests())
        pageRequests += line == "GET " + path + " HTTP/1.1" ? 1 : 0;
    EXPECT_EQ(1, pageRequests) << server.Requests().front();
}

TEST(BrowserHost, NavigateWithoutAControlDoesNothing)
{
    OleScope ole;
    // A panel window that holds no control, and an object attached to no window at all.
    CWebBrowser2 unattached;
    NavigateTo(unattached, "http://127.0.0.1:9/");
    HWND owner = ::CreateWindowExA(0, "Static", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                   nullptr, nullptr);
    CWebBrowser2 plain;
    ASSERT_TRUE(plain.SubclassWindow(::CreateWindowExA(0, "Static", "", WS_CHILD, 0, 0, 10, 10,
                                                       owner, nullptr, nullptr, nullptr)));
    NavigateTo(plain, "http://127.0.0.1:9/");
    VARIANT empty;
    ::VariantInit(&empty);
    // Missing arguments are not followed.
    plain.Navigate2(nullptr, nullptr, nullptr, nullptr, nullptr);
    plain.UnsubclassWindow();
    ::DestroyWindow(owner);
}

namespace
{

// Runs one test of this program in a process of its own in which some DLLs cannot be loaded,
// so that the browser container (atl.dll) or the browser itself cannot be had. Wine takes
// per-program DLL overrides from the registry; the copy of this program gets a name of its own
// so that nothing else is touched.
DWORD RunChildWithoutDlls(const char* childName, const std::vector<const char*>& dlls)
{
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);
    std::string folder(self);
    folder = folder.substr(0, folder.find_last_of('\\'));
    const std::string child = folder + "\\" + childName;
    if (!::CopyFileA(self, child.c_str(), FALSE))
        return 0xC0FF;
    const std::string keyPath =
        std::string("Software\\Wine\\AppDefaults\\") + childName + "\\DllOverrides";
    HKEY key = nullptr;
    if (::RegCreateKeyExA(HKEY_CURRENT_USER, keyPath.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return 0xBEEF;
    for (const char* dll : dlls)
        ::RegSetValueExA(key, dll, 0, REG_SZ, reinterpret_cast<const BYTE*>(""), 1); // "": disabled
    ::RegCloseKey(key);

    std::string cmd = "\"" + child + "\" --gtest_filter=BrowserChild.EmptyPanel";
    ::SetEnvironmentVariableA("DADAROR_BROWSER_CHILD", "1");
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(cmd.begin(), cmd.end());
    line.push_back('\0');
    BOOL started = ::CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                                    nullptr, &si, &pi);
    ::SetEnvironmentVariableA("DADAROR_BROWSER_CHILD", nullptr);
    DWORD code = 0xDEAD;
    if (started)
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
    ::RegDeleteKeyA(HKEY_CURRENT_USER, keyPath.c_str());
    ::RegDeleteKeyA(HKEY_CURRENT_USER,
                    (std::string("Software\\Wine\\AppDefaults\\") + childName).c_str());
    ::DeleteFileA(child.c_str());
    return code;
}

} // namespace

// Only meaningful inside RunChildWithOverride's process.
TEST(BrowserChild, EmptyPanel)
{
    if (!::GetEnvironmentVariableA("DADAROR_BROWSER_CHILD", nullptr, 0))
        GTEST_SKIP() << "runs in the child process of the failure tests";
    OleScope ole;
    LocalServer server;
    MainTemplate dlg;
    ASSERT_NE(nullptr, dlg.m_dialog) << "the dialog must still be created";
    ASSERT_NE(nullptr, dlg.m_browser.m_hWnd);
    fw::CComPtr<IUnknown> control;
    EXPECT_NE(S_OK, browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()));
    dlg.m_browser.MoveWindow(538, 51, 120, 600);
    NavigateTo(dlg.m_browser, "http://127.0.0.1:" + std::to_string(server.Port()) + "/");
    dlg.m_browser.ShowWindow(SW_SHOW);
    ::ShowWindow(dlg.m_dialog, SW_SHOW);
    PumpUntil([] { return false; }, 500);
    EXPECT_EQ(0u, server.Count());
    EXPECT_TRUE(::IsWindow(dlg.m_browser.m_hWnd));
}

TEST(BrowserHost, WithoutAtlDllThePanelStaysEmpty)
{
    EXPECT_EQ(0u, RunChildWithoutDlls("unit_browser_noatl.exe", {"atl"}));
}

TEST(BrowserHost, WhenTheBrowserCannotBeMadeThePanelStaysEmpty)
{
    EXPECT_EQ(0u, RunChildWithoutDlls("unit_browser_nobrowser.exe", {"ieframe", "shdocvw"}));
}
