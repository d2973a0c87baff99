// Finding and operating the program's windows from the test process.
#include "e2e/E2e.h"

#include <algorithm>

namespace e2e
{
namespace
{
const int kBoxTextId = 0xFFFF;
const int kApplyButtonId = IDC_APPLY;

struct EnumState
{
    DWORD pid;
    bool visibleOnly;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindow(HWND hwnd, LPARAM param)
{
    auto* s = reinterpret_cast<EnumState*>(param);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid == s->pid && (!s->visibleOnly || ::IsWindowVisible(hwnd)))
        s->found.push_back(hwnd);
    return TRUE;
}
} // namespace

std::vector<HWND> TopWindowsOf(DWORD pid, bool visibleOnly)
{
    EnumState s{pid, visibleOnly, {}};
    ::EnumWindows(&CollectWindow, reinterpret_cast<LPARAM>(&s));
    return s.found;
}

std::string WindowText(HWND hwnd)
{
    // Read as UTF-16: what the window holds, whatever the code page of the program that set it.
    wchar_t text[1024] = {};
    char buf[2048] = {};
    ::GetWindowTextW(hwnd, text, 1024);
    ::WideCharToMultiByte(949, 0, text, -1, buf, sizeof(buf), nullptr, nullptr);
    return buf;
}

std::string ClassOf(HWND hwnd)
{
    char buf[256] = {};
    ::GetClassNameA(hwnd, buf, sizeof(buf));
    return buf;
}

RECT WindowRect(HWND hwnd)
{
    RECT r = {};
    ::GetWindowRect(hwnd, &r);
    return r;
}

HWND FindTopWindow(DWORD pid, const char* title, const char* cls, DWORD timeoutMs, bool visibleOnly)
{
    HWND result = nullptr;
    WaitUntil(
        [&]
        {
            for (HWND h : TopWindowsOf(pid, visibleOnly))
                if ((!title || WindowText(h) == title) && (!cls || ClassOf(h) == cls))
                    return (result = h) != nullptr;
            return false;
        },
        timeoutMs);
    return result;
}

bool IsMessageBox(HWND hwnd)
{
    return ::IsWindowVisible(hwnd) && ClassOf(hwnd) == "#32770" &&
           ::GetDlgItem(hwnd, kBoxTextId) != nullptr;
}

HWND FindMessageBox(DWORD pid, DWORD timeoutMs)
{
    return WaitForBox(pid, nullptr, timeoutMs);
}

std::string MessageBoxText(HWND box)
{
    HWND text = ::GetDlgItem(box, kBoxTextId);
    return text ? WindowText(text) : std::string();
}

bool ClickApply(ProgramRun& run, HWND dlg, DWORD timeoutMs)
{
    const size_t before = run.Markers().size();
    return ClickAt(ControlCenter(dlg, IDC_APPLY)) &&
           WaitUntil([&] { return run.Markers().size() > before || ProgressWindow(run.Pid()); },
                     timeoutMs, 5);
}

bool AnswerBox(HWND box, int id)
{
    HWND button = ::GetDlgItem(box, id);
    if (!button)
        return false;
    return ::PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                          reinterpret_cast<LPARAM>(button)) != FALSE;
}

HWND FindMainDialog(DWORD pid)
{
    for (HWND h : TopWindowsOf(pid, false))
        if (ClassOf(h) == "#32770" && ::GetDlgItem(h, kApplyButtonId))
            return h;
    return nullptr;
}

bool EndsWithoutMainWindow(ProgramRun& run, DWORD timeoutMs)
{
    bool shown = false;
    const bool ended = WaitUntil(
        [&]
        {
            HWND dlg = FindMainDialog(run.Pid());
            shown = shown || (dlg && ::IsWindowVisible(dlg));
            return run.Exited();
        },
        timeoutMs, 1);
    return ended && !shown;
}

HWND StartToMainWindow(ProgramRun& run, DWORD timeoutMs, std::vector<StartupBox>* boxes)
{
    if (!run.Started())
        return nullptr;
    HWND main = nullptr;
    std::vector<HWND> answered;
    WaitUntil(
        [&]
        {
            if (run.Exited())
                return true;
            for (HWND h : TopWindowsOf(run.Pid(), true))
            {
                if (!IsMessageBox(h))
                    continue;
                // A posted answer may take a moment to close the box: answer each box once.
                if (std::find(answered.begin(), answered.end(), h) != answered.end())
                    continue;
                int answer = IDOK;
                if (WindowText(h) == kUpdateCaption)
                    answer = IDCANCEL;
                else if (::GetDlgItem(h, IDNO))
                    answer = IDNO;
                if (boxes)
                    boxes->push_back({WindowText(h), MessageBoxText(h), answer});
                AnswerBox(h, answer);
                answered.push_back(h);
                // The answer is posted: let the box go before looking again.
                WaitUntil([&] { return !::IsWindow(h) || !::IsWindowVisible(h); }, 5000, 10);
            }
            HWND dlg = FindMainDialog(run.Pid());
            if (!dlg || !::IsWindowVisible(dlg) || ::IsIconic(dlg))
                return false;
            RECT r = WindowRect(dlg);
            if (r.right - r.left != 660 || r.bottom - r.top != 652)
                return false;
            // Painted: the frame and the white surface as the background painting leaves them.
            if (PixelAt(dlg, 0, 300) != Rgb{88, 89, 91} ||
                PixelAt(dlg, 2, 300) != Rgb{255, 255, 255})
                return false;
            main = dlg;
            return true;
        },
        timeoutMs, 30);
    return main;
}

bool IsButtonChecked(HWND dlg, int id)
{
    // Bounded: a program that stopped answering fails the check instead of holding the test.
    DWORD_PTR state = 0;
    return ::SendMessageTimeoutA(::GetDlgItem(dlg, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000,
                                 &state) &&
           state == BST_CHECKED;
}

bool IsControlEnabled(HWND dlg, int id)
{
    HWND c = ::GetDlgItem(dlg, id);
    return c && ::IsWindowEnabled(c);
}

POINT ControlCenter(HWND dlg, int id)
{
    RECT r = WindowRect(::GetDlgItem(dlg, id));
    return {(r.left + r.right) / 2, (r.top + r.bottom) / 2};
}

std::optional<POINT> ClickablePointOf(HWND dlg, int id)
{
    HWND control = ::GetDlgItem(dlg, id);
    if (!control)
        return std::nullopt;
    const RECT r = WindowRect(control);
    const POINT c = ControlCenter(dlg, id);
    std::optional<POINT> best;
    long bestDistance = 0;
    for (LONG y = r.top + 1; y < r.bottom - 1; y += 2)
        for (LONG x = r.left + 1; x < r.right - 1; x += 2)
        {
            if (::WindowFromPoint(POINT{x, y}) != control)
                continue;
            const long d = (x - c.x) * (x - c.x) + (y - c.y) * (y - c.y);
            if (!best || d < bestDistance)
            {
                best = POINT{x, y};
                bestDistance = d;
            }
        }
    return best;
}

POINT WindowPoint(HWND hwnd, int x, int y)
{
    RECT r = WindowRect(hwnd);
    return {r.left + x, r.top + y};
}

HWND FocusedWindowOf(HWND hwnd)
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof(info);
    if (!::GetGUIThreadInfo(::GetWindowThreadProcessId(hwnd, nullptr), &info))
        return nullptr;
    return info.hwndFocus;
}

HWND WaitForBox(DWORD pid, const char* text, DWORD timeoutMs)
{
    HWND found = nullptr;
    WaitUntil(
        [&]
        {
            for (HWND h : TopWindowsOf(pid, true))
                if (IsMessageBox(h) && (!text || MessageBoxText(h) == text))
                    return (found = h) != nullptr;
            return false;
        },
        timeoutMs);
    return found;
}

HWND ProgressWindow(DWORD pid)
{
    for (HWND h : TopWindowsOf(pid, true))
        if (ClassOf(h) == "#32770" && ::GetDlgItem(h, IDC_PROGRESS_TEXT))
            return h;
    return nullptr;
}

bool PostedMessagesHandled(HWND dlg, DWORD timeoutMs)
{
    // Posted messages are handled in order: once one posted now has taken effect, so had every
    // one before it. The effect: the first radio button's type bits, read back from its style
    // (the button keeps its check state; the type is put back at once).
    HWND radio = ::GetDlgItem(dlg, IDC_VMEM_SYSTEM);
    if (!radio)
        return false;
    const LONG style = ::GetWindowLongA(radio, GWL_STYLE);
    const LONG type = style & BS_TYPEMASK;
    const LONG marker = type == BS_RADIOBUTTON ? BS_AUTORADIOBUTTON : BS_RADIOBUTTON;
    ::PostMessageA(radio, BM_SETSTYLE, marker, FALSE);
    // A dialog that has ended stays hidden and handles nothing more: no use waiting then.
    const auto taken = [&] { return (::GetWindowLongA(radio, GWL_STYLE) & BS_TYPEMASK) == marker; };
    WaitUntil([&] { return taken() || !::IsWindowVisible(dlg); }, timeoutMs, 10);
    const bool handled = taken();
    DWORD_PTR ignored = 0;
    if (handled)
        ::SendMessageTimeoutA(radio, BM_SETSTYLE, type, FALSE, SMTO_NORMAL, timeoutMs, &ignored);
    return handled;
}

bool CloseWhenIdle(HWND dlg, DWORD timeoutMs)
{
    return WaitUntil(
        [&]
        {
            ::PostMessageA(dlg, WM_CLOSE, 0, 0);
            PostedMessagesHandled(dlg);
            return !::IsWindow(dlg) || !::IsWindowVisible(dlg);
        },
        timeoutMs, 50);
}

bool InputHandled(HWND dlg, DWORD timeoutMs)
{
    // Input is handled in the order it was given: once this drag has moved the window, every
    // press, move and key before it has been handled.
    const RECT before = WindowRect(dlg);
    const POINT spot = WindowPoint(dlg, facts::kFreeSpot.x, facts::kFreeSpot.y);
    if (!Drag(spot, POINT{spot.x, spot.y + kSettleDrop}, 2))
        return false;
    return WaitUntil([&] { return WindowRect(dlg).top == before.top + kSettleDrop; }, timeoutMs);
}
} // namespace e2e
