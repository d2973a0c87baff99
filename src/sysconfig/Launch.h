// Starting the operating system's tools and opening documents or addresses for the user. Nothing
// waits for what it started and no result is examined; a failed launch is silent.
#pragma once

// A hidden run ("open", SW_HIDE) of a system tool named without folder ("fsutil", "powercfg",
// "bcdedit"; ".exe" is added when the name has none). The program runs elevated, so the tool is
// always started by its full path in the system folder, which is also its working folder: a file
// of the same name in the program's or the working folder must never be the one started, nor a
// library found beside it. A caller that switched the WOW64 redirection off reaches the 64-bit
// system folder.
void RunTool(const char* file, const char* parameters);

// A shown opening for the user (SW_SHOWNORMAL): verb ("open" or null for the default action),
// file or web address as given, parameters or null. The desktop shell opens it, so that the
// browser or viewer runs with the user's normal rights rather than the program's elevated ones;
// only where the shell can't be asked (no shell desktop, an older system) does the program start
// it itself.
void OpenForUser(const char* verb, const char* file, const char* parameters);

// A shown opening ("open", SW_SHOWNORMAL) of a system tool such as "control.exe", taken from the
// system folder and started there for the same reasons as RunTool. It is started by the program
// itself, elevated: the Power Options change machine-wide settings.
void OpenSystemTool(const char* file, const char* parameters);

// How OpenForUser asks the desktop shell: true when the shell took the request, false when it
// could not be asked (then nothing was started). Tests replace it.
extern bool (*g_openThroughDesktopShell)(const char* verb, const char* file,
                                         const char* parameters);
