#include "SystemDlls.h"

#include "framework/SystemLibrary.h"
#include "framework/Text.h"

#include <windows.h>

namespace app
{

// What a whole run loads after its start (the start-up with its disk query and update check, the
// panel, the About box, an apply, the links), and what the browser engine, WinINet, COM and the
// shell are documented to load by name on the older systems. Loading one more than needed costs
// a little memory; one missing is a DLL the program's folder may supply.
const char* const kLateLoadedDlls[] = {
    // the browser engine and its helpers
    "ieframe.dll", "shdocvw.dll", "mshtml.dll", "urlmon.dll", "iertutil.dll", "mlang.dll",
    "msls31.dll", "msimtf.dll", "imgutil.dll", "actxprxy.dll", "windowscodecs.dll", "oleacc.dll",
    "msrating.dll", "ddraw.dll",
    // WinINet and the network below it, dial-up included
    "wininet.dll", "ws2_32.dll", "wsock32.dll", "mswsock.dll", "dnsapi.dll", "iphlpapi.dll",
    "nsi.dll", "winhttp.dll", "sensapi.dll", "rasapi32.dll", "rasman.dll", "rtutils.dll",
    "tapi32.dll", "dhcpcsvc.dll", "mpr.dll", "netapi32.dll", "netutils.dll", "srvcli.dll",
    "wkscli.dll",
    // security, certificates and credentials
    "secur32.dll", "sspicli.dll", "cryptbase.dll", "cryptsp.dll", "crypt32.dll", "msasn1.dll",
    "wintrust.dll", "ntmarta.dll", "userenv.dll", "profapi.dll", "bcrypt.dll", "ncrypt.dll",
    // the security packages and crypto providers, named by the registry rather than by code
    // (https and a server's authentication can come before the panel's page has loaded)
    "schannel.dll", "msv1_0.dll", "kerberos.dll", "wdigest.dll", "digest.dll", "credssp.dll",
    "msapsspc.dll", "msnsspc.dll", "rsaenh.dll", "dssenh.dll",
    // the look of windows, text input, the shell and COM
    "uxtheme.dll", "dwmapi.dll", "msctf.dll", "imm32.dll", "version.dll", "propsys.dll",
    "apphelp.dll", "clbcatq.dll", "winmm.dll", "setupapi.dll",
    // the disk query's WMI client
    "wbemcomn.dll",
    // loaded late on XP, Vista and 7 with Internet Explorer 8 and 9: proxy auto-configuration
    // (on by default), out-of-process COM (the disk query, the shell's request), the credentials
    // prompt, colour management, and the drawing of Internet Explorer 9's engine
    "jsproxy.dll", "rpcrtremote.dll", "credui.dll", "mscms.dll", "d2d1.dll", "dwrite.dll",
    "d3d10_1.dll", "d3d10_1core.dll", "dxgi.dll"};
const std::size_t kLateLoadedDllCount = sizeof(kLateLoadedDlls) / sizeof(kLateLoadedDlls[0]);

void SetSystemPath()
{
    // The folders of the system's own default PATH.
    wchar_t system[MAX_PATH] = {};
    wchar_t windows[MAX_PATH] = {};
    wchar_t path[3 * MAX_PATH + 8] = {};
    const UINT systemLength = ::GetSystemDirectoryW(system, MAX_PATH);
    const UINT windowsLength = ::GetWindowsDirectoryW(windows, MAX_PATH);
    // A cut folder would name some other one: then no PATH at all, which searches nothing.
    if (systemLength == 0 || systemLength >= MAX_PATH || windowsLength == 0 ||
        windowsLength >= MAX_PATH ||
        !fw::FormatText(path, 3 * MAX_PATH + 8, L"%ls;%ls;%ls\\Wbem", system, windows, system))
        path[0] = L'\0';
    ::SetEnvironmentVariableW(L"PATH", path);
}

void PreloadSystemDlls()
{
    for (const char* name : kLateLoadedDlls)
        fw::LoadSystemLibrary(name); // kept loaded: the handle is never freed
}

void RestrictDllSearch(BOOL(WINAPI* setDefault)(DWORD))
{
    if (setDefault)
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    // Older systems: at least take the working folder out of the search, leave no folder of the
    // user's on PATH, and load from the system folder now what would be searched for by name
    // later, before our own folder.
    ::SetDllDirectoryA("");
    if (!setDefault)
    {
        SetSystemPath();
        PreloadSystemDlls();
    }
}

} // namespace app
