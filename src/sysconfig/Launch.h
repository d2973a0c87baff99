// Starting the operating system's tools and opening documents or addresses for the user. Nothing
// waits for what it started (only for the shell's word that it was asked) and no result of a
// launch is examined; a failed launch is silent. Two rules, one
// file each: the apply's hidden tool runs (ToolRun.cpp) and what the user is shown (UserOpen.cpp).
// Names, addresses and parameters given as 8-bit text are the program's own (code page 949); what
// reaches the system is UTF-16, so that paths pass whole whatever the system's code page.
#pragma once

#include <windows.h>

#include <vector>

struct IShellDispatch2;

// A hidden run (SW_HIDE) of a system tool named without folder ("fsutil", "powercfg", "bcdedit";
// ".exe" is added when the name has none). The program runs elevated, so the tool's process is
// created from its full path in the system folder, which is also its working folder: no file of
// the same name in the program's or the working folder, no file-type association or per-user
// class decides what runs.
void RunTool(const char* file, const char* parameters);
// The same with UTF-16 parameters, for a command line that names a path.
void RunTool(const char* file, const wchar_t* parameters);

// RunTool for a tool that must run as the system's own build: on 64-bit Windows the 64-bit one,
// which this 32-bit program reaches through the Sysnative alias of the system folder.
void RunNativeTool(const char* file, const char* parameters);

// The full path of a system tool in the system folder (".exe" added to a bare name), and that
// folder. False when either can't be had whole: a cut path would name some other file.
bool SystemToolPath(const char* file, wchar_t (&folder)[MAX_PATH], wchar_t (&path)[MAX_PATH]);

// Creates a system tool's process from its full path in the system folder, with that folder as
// its working folder and the path, quoted, as the command line's program part; show is the
// window's show state. Nothing is started when the path can't be had whole rather than a tool
// found elsewhere. native: on 64-bit Windows the file opened is the 64-bit tool, through
// Sysnative; the tool still sees the path it is known by.
void StartSystemTool(const char* file, const wchar_t* parameters, WORD show, bool native);

// What is shown to the user is started by the program itself only where it already runs as the
// signed-in user at that user's level: as the same user as the desktop shell's process, and not
// elevated above it (Windows XP, UAC switched off). Elevated with another account's password, or
// by "Run as", its rights are that account's, not the user's.

// A shown opening for the user (SW_SHOWNORMAL): verb ("open" or null for the default action),
// file or web address as given, parameters or null. The desktop shell opens it, so that the
// browser or viewer runs with the user's normal rights rather than the program's, and in front.
// The program starts it itself only where there is no shell desktop to ask (or its COM security
// could not be fixed) and it runs as the user at the user's level; otherwise nothing opens.
void OpenForUser(const char* verb, const char* file, const char* parameters);

// A shown opening (SW_SHOWNORMAL) of a system tool such as "control.exe", from its full path in
// the system folder. Where the process runs as the user at the user's level it is created like
// RunTool's; otherwise the desktop shell opens it at the user's level, as OpenForUser does, and
// nothing opens without a shell desktop.
void OpenSystemTool(const char* file, const char* parameters);

// What the launches ask of the system; tests replace them.
struct LaunchCalls
{
    decltype(&::CreateProcessW) createProcess;
    // The desktop shell's window, whose process's user is compared with this process's, and the
    // right to come to the front given to that process before the shell is asked.
    decltype(&::GetShellWindow) shellWindow;
    decltype(&::AllowSetForegroundWindow) allowSetForeground;
    // The desktop shell's dispatch object; S_FALSE or a failure when there is no shell desktop.
    // Called on a thread of its own, in a single-threaded apartment.
    HRESULT (*findDesktopShell)(IShellDispatch2** shell);
    // True when the process runs elevated with the user's normal level beside it (UAC).
    bool (*elevatedAboveTheUser)();
    // True when the process of that id runs as the same user as this one (the user SIDs of the
    // two tokens); false when either can't be read.
    bool (*sameUserAs)(DWORD process);
    // True when the program's own COM security is in force: the shell hands us interface
    // pointers, which must not name an unmarshaller of their own. Without it the shell is not
    // asked.
    bool (*comSecurityIsOurs)();
    // The TOKEN_USER of a process's token, for sameUserAs; false when it can't be read.
    bool (*readTokenUser)(HANDLE process, std::vector<BYTE>& user);
};
extern LaunchCalls g_launchCalls;
