// Counting what a running program holds, from outside: the probe DLL is injected into it and
// reports its counts as a debugger text, which the ProgramRun receives.
#pragma once

#include "e2e/E2e.h"

#include <optional>
#include <string>

namespace hardening
{
struct Counts
{
    int gdi = -1;
    int handles = -1;
    int windows = -1;
    bool operator==(const Counts& o) const
    {
        return gdi == o.gdi && handles == o.handles && windows == o.windows;
    }
    bool operator!=(const Counts& o) const { return !(*this == o); }
};
std::string ToString(const Counts& c);

// The folder of the helper programs and DLLs built beside the tests, as Windows sees it.
std::string HelperDir();
std::string HelperPath(const std::string& fileName);

// One reading: the probe injected once into the program of `run`; nothing when it did not answer.
std::optional<Counts> ProbeOnce(const e2e::ProgramRun& run, DWORD timeoutMs = 15000);

// A settled reading: the GUI thread owning `window` has handled everything sent to it before, and
// two readings in a row agree. Nothing when no two readings agreed in time.
std::optional<Counts> SettledCounts(const e2e::ProgramRun& run, HWND window,
                                    DWORD timeoutMs = 30000);

// True when no count of `now` is above the one of `base`.
bool NoGrowth(const Counts& base, const Counts& now);

// Waits until the settled counts are no higher than `base` (what is still closing gets its time);
// returns the last reading (for the message).
std::optional<Counts> WaitForNoGrowth(const e2e::ProgramRun& run, HWND window, const Counts& base,
                                      DWORD timeoutMs = 30000);
} // namespace hardening
