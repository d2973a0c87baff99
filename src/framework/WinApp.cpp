#include "WinApp.h"

#include "Text.h"

#include <cstring>
#include <cwchar>

namespace fw
{

namespace
{
CWinApp* g_pApp = nullptr;
}

CWinApp::CWinApp(const char* appName) noexcept
{
    g_pApp = this;
    if (appName)
        ::lstrcpynA(m_szAppName, appName, MAX_PATH);
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

BOOL CWinApp::InitInstance()
{
    return FALSE;
}

int CWinApp::ExitInstance()
{
    return 0;
}

int CWinApp::Run()
{
    m_hInstance = ::GetModuleHandleA(nullptr);
    if (!m_szAppName[0])
    {
        // No name given: the executable's file name without its extension.
        // Read whole whatever the folder's name: only the file name is kept, in our code page.
        wchar_t path[MAX_PATH] = {};
        ::GetModuleFileNameW(nullptr, path, MAX_PATH);
        const wchar_t* base = std::wcsrchr(path, L'\\');
        base = base ? base + 1 : path;
        ::lstrcpynA(m_szAppName, WideToAnsi(base, kTextCodePage).c_str(), MAX_PATH);
        if (char* dot = std::strrchr(m_szAppName, '.'))
            *dot = '\0';
    }
    InitInstance();
    return ExitInstance();
}

HICON CWinApp::LoadIcon(UINT id) const
{
    return ::LoadIconA(m_hInstance ? m_hInstance : ::GetModuleHandleA(nullptr),
                       MAKEINTRESOURCEA(id));
}

CWinApp* AfxGetApp() noexcept
{
    return g_pApp;
}

} // namespace fw
