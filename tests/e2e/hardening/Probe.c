/* Injected into a running process (a remote thread calls LoadLibraryA on it). On attach it counts
 * what the process holds and reports it on the debugger channel:
 *   "probe gdi=<GDI objects> handles=<kernel handles> windows=<windows>"
 * then refuses the attach so that the loader unloads it at once and nothing of it stays behind.
 *
 * Why these ways of counting: GetGuiResources and GetProcessHandleCount answer 0 under Wine, so
 * the probe looks at the handle tables itself.
 * - GDI: a GDI handle whose upper word is 0 names "the object in that slot" of the process's GDI
 *   table, so GetObjectType over the slots 1..65535 counts every live object (DCs included).
 * - Kernel handles: handle values are multiples of 4; GetHandleInformation succeeds exactly for
 *   the open ones.
 * - Windows: every window (top-level and child) whose thread belongs to this process. */
#include <windows.h>
#include <stdio.h>

static DWORD g_pid;
static int g_windows;

static BOOL CALLBACK CountChild(HWND hwnd, LPARAM unused)
{
    DWORD pid = 0;
    (void)unused;
    GetWindowThreadProcessId(hwnd, &pid);
    if (pid == g_pid)
        ++g_windows;
    return TRUE;
}

static BOOL CALLBACK CountTop(HWND hwnd, LPARAM unused)
{
    const int before = g_windows;
    CountChild(hwnd, unused);
    if (g_windows != before)
        EnumChildWindows(hwnd, CountChild, 0);
    return TRUE;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved)
{
    (void)instance;
    (void)reserved;
    if (reason != DLL_PROCESS_ATTACH)
        return TRUE;
    int gdi = 0, handles = 0;
    for (UINT_PTR slot = 1; slot <= 0xFFFF; ++slot)
        if (GetObjectType((HGDIOBJ)slot) != 0)
            ++gdi;
    for (UINT_PTR value = 4; value <= 0x20000; value += 4)
    {
        DWORD flags = 0;
        if (GetHandleInformation((HANDLE)value, &flags))
            ++handles;
    }
    g_pid = GetCurrentProcessId();
    g_windows = 0;
    EnumWindows(CountTop, 0);
    char text[128];
    snprintf(text, sizeof(text), "probe gdi=%d handles=%d windows=%d", gdi, handles, g_windows);
    OutputDebugStringA(text);
    return FALSE;
}
