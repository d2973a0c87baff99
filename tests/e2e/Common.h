// Shared facts of the main dialog the end-to-end tests look at.
#pragma once

#include "e2e/E2e.h"

#include <set>
#include <string>
#include <vector>

namespace e2e_test
{
// Every radio button of the nine rows, top to bottom.
const std::vector<int> kRadioIds = {1002, 1003, 1004, 1005, 1006, 1008, 1009, 1012, 1013, 1015,
                                    1016, 1018, 1019, 1021, 1022, 1031, 1032, 1041, 1042};
// The recommended selection.
const std::set<int> kRecommended = {1002, 1006, 1009, 1012, 1016, 1019, 1022, 1031, 1042};

// The checked radio buttons, as a set to compare with an expectation in one assertion.
inline std::set<int> CheckedRadios(HWND dlg)
{
    std::set<int> checked;
    for (int id : kRadioIds)
        if (e2e::IsButtonChecked(dlg, id))
            checked.insert(id);
    return checked;
}

// The progress window of an apply: a dialog of the program holding the message text 1038.
inline bool ProgressWindowShown(DWORD pid)
{
    for (HWND h : e2e::TopWindowsOf(pid, true))
        if (e2e::ClassOf(h) == "#32770" && ::GetDlgItem(h, 1038))
            return true;
    return false;
}

// Opens the About box the way its system-menu entry does; the box, or null when none came.
inline HWND OpenAboutBox(const e2e::ProgramRun& run, HWND dlg, DWORD timeoutMs = 20000)
{
    ::PostMessageA(dlg, WM_SYSCOMMAND, 0x10, 0);
    return e2e::FindTopWindow(run.Pid(), e2e::kAboutTitle, "#32770", timeoutMs);
}

// A real click on a spot of the control that no other control covers; false when there is none.
inline bool ClickControl(HWND dlg, int id)
{
    const auto spot = e2e::ClickablePointOf(dlg, id);
    if (!spot)
        return false;
    return e2e::ClickAt(*spot);
}

const e2e::Rgb kFrame = {88, 89, 91};
const e2e::Rgb kWhite = {255, 255, 255};
} // namespace e2e_test
