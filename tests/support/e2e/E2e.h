// End-to-end rig: drives the real DADAROR.exe (the test build, build*/e2e/DADAROR.exe) under Wine.
//
// Link the static library `e2e_support` and include "e2e/E2e.h" (or "e2e/Checks.h", which adds
// the checks every area shares). Every test that uses it starts the program, so it must be
// registered with `LOCK machine` (the program holds a single-instance mutex). Nothing here sleeps
// blindly: every wait is a condition polled until a time-out, and a "nothing happened" check ends
// on a later event (InputHandled, PostedMessagesHandled, the program's end).
//
// clang-format off
//   e2e::ProgramRun run;                             // starts the test build as a debuggee
//   HWND dlg = e2e::StartToMainWindow(run);          // answers the start-up boxes as a user who goes on
//   ASSERT_TRUE(dlg);
//   EXPECT_TRUE(run.WaitForMarker("VMem", e2e::kWait));  // OutputDebugStringA texts, exact match
//   e2e::ClickAt(e2e::WindowPoint(dlg, 640, 25));    // real pointer input (SendInput)
//   EXPECT_TRUE(run.WaitForExit(e2e::kWait));        // exit code, or nothing on time-out
//   // ~ProgramRun terminates the program if it still runs, on every path.
// clang-format on
//
// Pieces:
// - ProgramRun: process + debugger thread; markers; exit; Pid(). Extra environment variables are
//   added to (or replace those of) the test's own environment. Given LC_ALL, the program is
//   started by wine in that Unix locale (its code page: C.UTF-8 gives 1252) and attached to.
// - Windows: FindTopWindow / TopWindowsOf a pid, message boxes (IsMessageBox, MessageBoxText,
//   AnswerBox), StartToMainWindow, IsButtonChecked / IsControlEnabled across processes,
//   ClickablePointOf a control (in the test prefix's fonts some rows lie under other controls).
//   To put the focus on a control from outside: PostMessage(dlg, WM_NEXTDLGCTL, control, TRUE).
// - Pictures: Capture (screen rectangle -> 24-bit picture), PixelAt, WaitForPixel (window
//   coordinates), SaveScreenshot (build*/screenshots/<name>.bmp).
// - Input: MoveTo, ClickAt, Drag (SendInput, absolute), SendKey (SendInput keyboard to the
//   foreground window), PostKey (WM_KEYDOWN/WM_SYSKEYDOWN posted to a window, e.g. the focused
//   control, which passes the program's own message loop).
// - ProgramServer: the tests' web server on the port the test build talks to, recording every
//   request (the update check gets "1.4" unless told otherwise, anything else 404); without a
//   server the program's requests are refused at once.
// - LaunchRecorder: makes the shell's http/https handler (HKLM\Software\Classes, both views) and
//   control.exe of both system folders of the prefix a recorder program for its lifetime,
//   restoring them afterwards; pass Environment() to the ProgramRun (it names the log). Lines()
//   are the recorded command lines, e.g. "powercfg.cpl".
// - CScopedRegValue (common/Registry.h): a registry value for a scope, restored afterwards.
#pragma once

#include "common/Input.h"
#include "common/Paths.h"
#include "common/ProgramFacts.h"
#include "common/Registry.h"
#include "common/Wait.h"
#include "httpserver/HttpTestServer.h"

#include <windows.h>

#include <atomic>
#include <initializer_list>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace sysconfig_test
{
class CInstalledTool;
}

namespace e2e
{
using Env = std::vector<std::pair<std::string, std::string>>;

// Paths as the Windows side sees them ("Z:\...").
std::string ProgramPath();  // the test build of DADAROR.exe
std::string BuildDir();     // the CMake build folder
std::string RecorderPath(); // the recorder program standing in for tools and the browser
using testsupport::WinePath;

using testsupport::CScopedRegValue;
using testsupport::WaitUntil;
// What the tests allow the program for anything it must do (a window, a box, a request, its end).
constexpr DWORD kWait = 20000;
// The window title, main dialog caption and question captions (common/ProgramFacts.h).
using facts::kAboutTitle;
using facts::kMainTitle;
using facts::kUpdateCaption;

// ---------------------------------------------------------------------------------------------
// The program as a debuggee. The process is created on a dedicated thread that also runs the
// debug loop (Windows requires both on the same thread). Construction waits until the process
// exists; Started() tells whether it could be created.
class ProgramRun
{
public:
    explicit ProgramRun(Env env = {}, std::string exe = ProgramPath(), std::string workDir = "");
    // ProgramRun run({{"NAME", "value"}}): a braced list reads as the environment.
    explicit ProgramRun(std::initializer_list<std::pair<std::string, std::string>> env)
        : ProgramRun(Env(env))
    {
    }
    ~ProgramRun();
    ProgramRun(const ProgramRun&) = delete;
    ProgramRun& operator=(const ProgramRun&) = delete;

    bool Started() const { return m_pid != 0; }
    DWORD Pid() const { return m_pid; }
    DWORD LastError() const { return m_createError; }

    // Debugger-output texts so far, in arrival order (trailing CR/LF removed).
    std::vector<std::string> Markers() const;
    // Those that start with `prefix`, in arrival order.
    std::vector<std::string> MarkersStartingWith(const std::string& prefix) const;
    // True once a marker equal to `text` has arrived (also one that arrived before the call).
    bool WaitForMarker(const std::string& text, DWORD timeoutMs) const;
    bool HasMarker(const std::string& text) const;
    // When the first marker equal to `text` arrived (GetTickCount64 ms), nothing before it has.
    // The program stands still from writing a marker until the debugger has taken it, so the
    // time between two markers is never shorter than the program's own time between them,
    // however late this process is scheduled: pauses are measured this way.
    std::optional<ULONGLONG> MarkerTime(const std::string& text) const;

    bool Exited() const { return m_exited.load(); }
    // The exit code once the process has ended, nothing if it still runs after `timeoutMs`.
    std::optional<DWORD> WaitForExit(DWORD timeoutMs) const;
    // Second-chance exceptions seen (a crash the program did not handle).
    int UnhandledExceptions() const { return m_unhandled.load(); }

    // Ends the process now (no-op when it has ended) and waits for the exit.
    void Terminate();

private:
    struct Shared;
    static DWORD WINAPI DebugThread(void* param);
    void DebugLoop();

    std::shared_ptr<Shared> m_shared;
    std::string m_exe, m_workDir;
    Env m_env;
    HANDLE m_thread = nullptr;
    HANDLE m_process = nullptr;
    DWORD m_pid = 0;
    DWORD m_createError = 0;
    std::atomic<bool> m_exited{false};
    std::atomic<int> m_unhandled{0};
};

// The id of a running process whose file is one of `names` (any case); 0 when none runs.
DWORD RunningProcessOf(std::initializer_list<const char*> names);

// ---------------------------------------------------------------------------------------------
// Windows of a process.
std::vector<HWND> TopWindowsOf(DWORD pid, bool visibleOnly = false);
// A top-level window of `pid` whose title equals `title` (CP949; null: any) and whose class equals
// `cls` (null: any), visible if `visibleOnly`; null after `timeoutMs`.
HWND FindTopWindow(DWORD pid, const char* title, const char* cls, DWORD timeoutMs,
                   bool visibleOnly = true);
std::string WindowText(HWND hwnd); // read as UTF-16, given in code page 949
std::string ClassOf(HWND hwnd);
RECT WindowRect(HWND hwnd);

// A message box: a visible "#32770" window with the text static 0xFFFF.
bool IsMessageBox(HWND hwnd);
HWND FindMessageBox(DWORD pid, DWORD timeoutMs);
// A message box of `pid` whose text equals `text` (CP949; null: any); null after `timeoutMs`.
HWND WaitForBox(DWORD pid, const char* text, DWORD timeoutMs);
std::string MessageBoxText(HWND box);
// Presses the box's button `id` (IDOK, IDCANCEL, IDYES, IDNO...) by a posted WM_COMMAND.
bool AnswerBox(HWND box, int id);

// A box answered on the way to the main window.
struct StartupBox
{
    std::string caption, text;
    int answer;
};
// Answers the start-up boxes as a user who goes on (No to the no-SSD question, OK to the SSD
// found notice, Cancel to the update question) and waits for the main dialog: visible, 660×652,
// frame and header painted. Returns null on time-out; `boxes` (optional) receives what was
// answered.
HWND StartToMainWindow(ProgramRun& run, DWORD timeoutMs = 20000,
                       std::vector<StartupBox>* boxes = nullptr);
// The main dialog of `pid` (a "#32770" window holding control 1029), visible or not.
HWND FindMainDialog(DWORD pid);
// Waits until the program ends; true when it did and its main dialog never became visible
// meanwhile (looked at every millisecond: a window shown on the way out may stay only briefly).
bool EndsWithoutMainWindow(ProgramRun& run, DWORD timeoutMs = 20000);

// The progress window of an apply: a visible dialog of the program holding the message text;
// null when there is none.
HWND ProgressWindow(DWORD pid);

// Later events that end a "nothing happened" check (never a clock):
// every message posted to the main dialog (or its controls) before the call has been handled by
// its thread (a button style message posted after them took effect; the style is put back);
bool PostedMessagesHandled(HWND dlg, DWORD timeoutMs = 20000);
// every input given before the call has been handled by the main dialog's thread: the dialog,
// dragged by its free spot kSettleDrop pixels down, has moved there (it must be enabled).
const int kSettleDrop = 6;
bool InputHandled(HWND dlg, DWORD timeoutMs = 20000);

// Closes the main dialog as the user does once the program lets it (closes during an apply are
// ignored), repeating the close until one is taken; false when none was (a box may be open).
bool CloseWhenIdle(HWND dlg, DWORD timeoutMs = 20000);

// Presses the apply button 1029 with a real click and waits until the program shows it took it
// (a new debugger marker or its progress window); false when it was not taken.
bool ClickApply(ProgramRun& run, HWND dlg, DWORD timeoutMs = 10000);

bool IsButtonChecked(HWND dlg, int id);
bool IsControlEnabled(HWND dlg, int id);
// Screen centre of a control of a dialog.
POINT ControlCenter(HWND dlg, int id);
// A screen point where a click reaches the control itself (no other window above it), nearest to
// its centre; nothing when the control is fully covered or off the screen.
std::optional<POINT> ClickablePointOf(HWND dlg, int id);
// Screen point of window coordinates (x, y) of `hwnd`.
POINT WindowPoint(HWND hwnd, int x, int y);
// The window with the keyboard focus in the GUI thread that owns `hwnd`.
HWND FocusedWindowOf(HWND hwnd);

// ---------------------------------------------------------------------------------------------
// Pictures (24 bits, read from the display).
struct Rgb
{
    uint8_t r, g, b;
    bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb& o) const { return !(*this == o); }
};
std::string ToString(const Rgb& c);

class Picture
{
public:
    int Width() const { return m_w; }
    int Height() const { return m_h; }
    Rgb At(int x, int y) const;
    bool SaveBmp(const std::string& winPath) const;
    bool SameAs(const Picture& o) const { return m_w == o.m_w && m_h == o.m_h && m_bgr == o.m_bgr; }
    // How many of its pixels have that colour.
    int Count(Rgb colour) const;

private:
    friend Picture Capture(const RECT& screenRect);
    int m_w = 0, m_h = 0;
    std::vector<uint8_t> m_bgr; // rows top-down, 3 bytes a pixel, no padding
};

Picture Capture(const RECT& screenRect);
// The pixel at window coordinates (x, y) of `hwnd` as the screen shows it.
Rgb PixelAt(HWND hwnd, int x, int y);
bool WaitForPixel(HWND hwnd, int x, int y, Rgb expected, DWORD timeoutMs);
// The window is visible and neither it nor any of its visible controls has anything left to
// paint.
bool Painted(HWND hwnd);
// Which standard icon a message box shows ("information", "question", "warning", "error"): the
// one whose picture, drawn on the box's own surface, matches its icon control on the screen; ""
// when it has none or none matches (a screenshot is saved then).
std::string StandardIconOf(HWND box);
// Saves the window (or the whole screen when null) as build*/screenshots/<name>.bmp once it has
// painted and the picture has settled (two reads alike); returns the path, empty on failure.
std::string SaveScreenshot(const std::string& name, HWND hwnd = nullptr);

// ---------------------------------------------------------------------------------------------
// Input, real (through the system's input queue): common/Input.h.
using testsupport::ClickAt;
using testsupport::Drag;
using testsupport::MouseDown;
using testsupport::MouseUp;
using testsupport::MoveTo;
using testsupport::PostKey;
using testsupport::SendKey;

// ---------------------------------------------------------------------------------------------
// The web server the test build talks to (127.0.0.1 on the build's E2E_HTTP_PORT): the update
// check gets the program's own version "1.4" unless told otherwise, anything else 404.
class ProgramServer : public testsupport::CHttpTestServer
{
public:
    ProgramServer();
};
// An address of the test build on that server: "http://127.0.0.1:<port>" + pathAndQuery.
std::string ProgramUrl(const std::string& pathAndQuery);

// ---------------------------------------------------------------------------------------------
// What the shell opens for the user: the http/https handler and control.exe of the prefix become
// the recorder program (tests/support/recorder) for the lifetime of this object, and its log is
// named in the environment given to the program and in the registry (for what the desktop shell
// starts). The desktop shell is up while it lives. Lines() are the command line arguments of each
// launch, one a launch.
class LaunchRecorder
{
public:
    LaunchRecorder();
    ~LaunchRecorder();
    LaunchRecorder(const LaunchRecorder&) = delete;
    LaunchRecorder& operator=(const LaunchRecorder&) = delete;

    bool Installed() const { return m_installed; }
    // Variables for the ProgramRun so that its launches reach the recorder.
    Env Environment() const;
    std::vector<std::string> Lines() const;
    bool WaitForLine(const std::string& text, DWORD timeoutMs) const;
    // Waits until everything `programWindow`'s thread has launched so far is in the log: the
    // thread has handled what was sent to it before (a message round trip), and no recorder runs
    // any more (each ends right after writing its line). A second launch of one click is then
    // either logged or never came.
    bool WaitUntilSettled(HWND programWindow, DWORD timeoutMs) const;

private:
    std::string m_log;
    std::vector<std::unique_ptr<CScopedRegValue>> m_saved;
    std::unique_ptr<sysconfig_test::CInstalledTool> m_control, m_control64;
    bool m_installed = false;
};

} // namespace e2e
