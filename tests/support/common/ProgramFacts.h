// What the tests know of the program, in one place: its window titles and the texts of its
// questions (in the program's code page, 949, as the windows carry them), the registry key its
// paging-file row writes, and its control ids (res/resource.h, the program's own).
#pragma once

#include "resource.h"

namespace facts
{

extern const char kMainTitle[];       // the main dialog and its message boxes
extern const char kUpdateCaption[];   // the update question
extern const char kAboutTitle[];      // the About box
extern const char kRestartQuestion[]; // asked after an apply that wrote the paging file
extern const char kNoSsdQuestion[];   // asked at start when no disk looks like an SSD

// The test build's record of the restart request: EWX_REBOOT | EWX_FORCEIFHUNG, for a planned
// reconfiguration of the operating system.
constexpr char kRestartRequested[] = "test: ExitWindowsEx flags=0x12 reason=0x80020004";

// An empty white spot of the main dialog between the header band and the first text line, in
// window coordinates: a press there drags the window.
struct Spot
{
    int x, y;
};
constexpr Spot kFreeSpot = {300, 62};

constexpr char kMemoryManagementKey[] =
    "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Memory Management";

} // namespace facts
