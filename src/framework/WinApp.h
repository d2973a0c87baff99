// The application object: one per process, started by WinMain.
#pragma once

#include "Wnd.h"

namespace fw
{

class CWinApp
{
public:
    explicit CWinApp(const char* appName = nullptr) noexcept;
    CWinApp(const CWinApp&) = delete;
    CWinApp& operator=(const CWinApp&) = delete;
    virtual ~CWinApp();

    // Returns FALSE to end the process without an application message loop.
    virtual BOOL InitInstance();
    virtual int ExitInstance();

    // Process start: initialisation, then the exit step.
    int Run();

    HICON LoadIcon(UINT id) const;
    void SetRegistryKey(const char* key) { m_pszRegistryKey = key; }
    const char* GetAppName() const { return m_szAppName; }

    HINSTANCE m_hInstance = nullptr;
    CWnd* m_pMainWnd = nullptr;

protected:
    const char* m_pszRegistryKey = nullptr;

private:
    char m_szAppName[MAX_PATH] = {};
};

CWinApp* AfxGetApp() noexcept;

} // namespace fw
