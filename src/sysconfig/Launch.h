// Starting the operating system's tools and opening documents or addresses for the user. Nothing
// waits for what it started and no result is examined.
#pragma once

// A hidden run of a system tool ("fsutil", "powercfg", "bcdedit", "control.exe"), always taken
// from the system folder: the program runs elevated, and a tool of the same name in the program's
// or the working folder must never be the one started.
void RunTool(const char* file, const char* parameters);

// A shown opening for the user: verb ("open" or null for the default action), file, parameters.
void OpenForUser(const char* verb, const char* file, const char* parameters);

// A shown opening ("open") of a system tool such as the control panel, taken from the system
// folder for the same reason as RunTool.
void OpenSystemTool(const char* file, const char* parameters);
