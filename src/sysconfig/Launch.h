// Starting the operating system's tools and opening documents or addresses for the user. Nothing
// waits for what it started and no result is examined; a failed launch is silent.
#pragma once

// A hidden run ("open", SW_HIDE) of a system tool named without folder ("fsutil", "powercfg",
// "bcdedit"; ".exe" is added when the name has none). The program runs elevated, so the tool is
// always started by its full path in the system folder: a file of the same name in the program's
// or the working folder must never be the one started. A caller that switched the WOW64
// redirection off reaches the 64-bit system folder.
void RunTool(const char* file, const char* parameters);

// A shown opening for the user (SW_SHOWNORMAL): verb ("open" or null for the default action),
// file or web address as given, parameters or null.
void OpenForUser(const char* verb, const char* file, const char* parameters);

// A shown opening ("open", SW_SHOWNORMAL) of a system tool such as "control.exe", taken from the
// system folder for the same reason as RunTool.
void OpenSystemTool(const char* file, const char* parameters);
