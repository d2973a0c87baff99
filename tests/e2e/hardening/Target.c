/* A small window program that makes a known number of objects on request, so that a test can
 * check that the injected probe counts what a process really holds.
 *   WM_APP + 1, wParam n: make n brushes, n events and n child windows (at most 64 of each)
 *   WM_APP + 2: free them again */
#include <windows.h>

#define MAX_OBJECTS 64
static HBRUSH g_brushes[MAX_OBJECTS];
static HANDLE g_events[MAX_OBJECTS];
static HWND g_children[MAX_OBJECTS];
static int g_count;

static void FreeAll(void)
{
    for (int i = 0; i < g_count; ++i)
    {
        DeleteObject(g_brushes[i]);
        CloseHandle(g_events[i]);
        DestroyWindow(g_children[i]);
    }
    g_count = 0;
}

static LRESULT CALLBACK TargetProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg)
    {
    case WM_APP + 1:
        FreeAll();
        for (int i = 0; i < (int)wParam && i < MAX_OBJECTS; ++i)
        {
            g_brushes[i] = CreateSolidBrush(RGB(i, 0, 0));
            g_events[i] = CreateEventA(NULL, TRUE, FALSE, NULL);
            g_children[i] = CreateWindowA("STATIC", "", WS_CHILD, 0, 0, 1, 1, hwnd, NULL, NULL, NULL);
            g_count = i + 1;
        }
        return g_count;
    case WM_APP + 2:
        FreeAll();
        return 0;
    case WM_DESTROY:
        FreeAll();
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE prev, LPSTR cmd, int show)
{
    (void)prev;
    (void)cmd;
    (void)show;
    WNDCLASSA wc = {0};
    wc.lpfnWndProc = TargetProc;
    wc.hInstance = instance;
    wc.lpszClassName = "HardeningTarget";
    RegisterClassA(&wc);
    HWND w = CreateWindowA("HardeningTarget", "HardeningTarget", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL,
                           instance, NULL);
    ShowWindow(w, SW_SHOWNOACTIVATE);
    MSG m;
    while (GetMessageA(&m, NULL, 0, 0) > 0)
    {
        TranslateMessage(&m);
        DispatchMessageA(&m);
    }
    return 0;
}
