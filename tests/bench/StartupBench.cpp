// Start-up benchmark: launch to the first start-up message box and to the main window of the
// program, against the floor (a bare dialog hosting the same browser control), over several runs.
// Also, each in a fresh process, the WMI disk query alone (COM security is fixed once per process)
// and the DLLs loaded ahead with the system PATH, which only old Windows needs (loaded once each).
//   bench_startup <program.exe> <floor.exe> <runs> <results.md>
//   bench_startup --wmi            (one timed disk query; prints milliseconds)
//   bench_startup --preload        (the same for the DLLs loaded ahead)
#include "app/SystemDlls.h"
#include "disks/SsdDetect.h"

#include "BenchClock.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

using bench::Median;
using bench::Now;

namespace
{
struct Find
{
    DWORD pid;
    bool wantMain; // the 660 x 652 main window, else a message box
    HWND found;
};

BOOL CALLBACK FindWindowOfProcess(HWND hwnd, LPARAM lParam)
{
    Find* f = reinterpret_cast<Find*>(lParam);
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != f->pid || !::IsWindowVisible(hwnd))
        return TRUE;
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    bool isMain = rc.right - rc.left == 660 && rc.bottom - rc.top == 652;
    if (isMain == f->wantMain)
    {
        f->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND WaitWindow(DWORD pid, bool wantMain, double timeoutMs)
{
    double end = Now() + timeoutMs;
    while (Now() < end)
    {
        Find f = {pid, wantMain, nullptr};
        ::EnumWindows(&FindWindowOfProcess, reinterpret_cast<LPARAM>(&f));
        if (f.found)
            return f.found;
        ::Sleep(1);
    }
    return nullptr;
}

bool Launch(const std::string& exe, PROCESS_INFORMATION* pi, const char* arguments = "")
{
    std::string cmd = "\"" + exe + "\" " + arguments;
    std::string dir = exe.substr(0, exe.find_last_of('\\'));
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    return ::CreateProcessA(exe.c_str(), &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, dir.c_str(),
                            &si, pi) != 0;
}

SIZE_T PeakMemory(HANDLE process)
{
    PROCESS_MEMORY_COUNTERS pmc = {};
    pmc.cb = sizeof(pmc);
    return ::GetProcessMemoryInfo(process, &pmc, sizeof(pmc)) ? pmc.PeakWorkingSetSize : 0;
}

void End(PROCESS_INFORMATION& pi, HWND main)
{
    if (main)
        ::PostMessageA(main, WM_CLOSE, 0, 0);
    if (::WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        ::TerminateProcess(pi.hProcess, 1);
    ::WaitForSingleObject(pi.hProcess, 10000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
}

// One timed run of `self` with `mode` (--wmi, --preload) in a fresh process.
double TimedOnce(const std::string& self, const char* mode)
{
    PROCESS_INFORMATION pi;
    std::string cmd = "\"" + self + "\" " + mode;
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    SECURITY_ATTRIBUTES sa = {sizeof(sa), nullptr, TRUE};
    HANDLE readEnd, writeEnd;
    ::CreatePipe(&readEnd, &writeEnd, &sa, 0);
    ::SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdOutput = writeEnd;
    si.hStdError = writeEnd;
    if (!::CreateProcessA(self.c_str(), &cmd[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si,
                          &pi))
        return -1;
    ::CloseHandle(writeEnd);
    char buf[64] = {};
    DWORD got = 0;
    ::ReadFile(readEnd, buf, sizeof(buf) - 1, &got, nullptr);
    ::CloseHandle(readEnd);
    ::WaitForSingleObject(pi.hProcess, 30000);
    ::CloseHandle(pi.hThread);
    ::CloseHandle(pi.hProcess);
    return std::atof(buf);
}

struct Sample
{
    double toBox = -1;  // launch to the first start-up message box (program only)
    double toMain = -1; // launch to the 660 x 652 window, answer time excluded
};

BOOL CALLBACK PrintWindowOfProcess(HWND hwnd, LPARAM lParam)
{
    DWORD pid = 0;
    ::GetWindowThreadProcessId(hwnd, &pid);
    if (pid != static_cast<DWORD>(lParam))
        return TRUE;
    RECT rc;
    ::GetWindowRect(hwnd, &rc);
    char cls[64] = {};
    ::GetClassNameA(hwnd, cls, sizeof(cls));
    std::fprintf(stderr, "  window %p class %s visible %d rect %ld,%ld %ldx%ld\n", (void*)hwnd, cls,
                 ::IsWindowVisible(hwnd) ? 1 : 0, rc.left, rc.top, rc.right - rc.left,
                 rc.bottom - rc.top);
    return TRUE;
}

void ListWindows(DWORD pid, HWND box)
{
    std::fprintf(stderr, "no main window; the box taken was %p\n", (void*)box);
    ::EnumWindows(&PrintWindowOfProcess, pid);
}

bool MeasureFloor(const std::string& floor, const char* arguments, Sample* s, SIZE_T* peak)
{
    PROCESS_INFORMATION pi;
    double t0 = Now();
    if (!Launch(floor, &pi, arguments))
        return false;
    HWND w = WaitWindow(pi.dwProcessId, true, 30000);
    if (w)
        s->toMain = Now() - t0;
    *peak = std::max(*peak, PeakMemory(pi.hProcess));
    End(pi, w);
    return true;
}

bool MeasureProgram(const std::string& program, Sample* s, SIZE_T* peak)
{
    PROCESS_INFORMATION pi;
    double t0 = Now();
    if (!Launch(program, &pi))
        return false;
    HWND box = WaitWindow(pi.dwProcessId, false, 30000);
    double tBox = Now() - t0;
    HWND main = nullptr;
    if (box)
    {
        // The user's answer takes no time here: the main window follows the No at once.
        double tAnswer = Now();
        ::PostMessageA(box, WM_COMMAND, IDNO, 0);
        main = WaitWindow(pi.dwProcessId, true, 30000);
        if (!main)
            ListWindows(pi.dwProcessId, box);
        if (main)
        {
            s->toBox = tBox;
            s->toMain = tBox + (Now() - tAnswer);
        }
    }
    *peak = std::max(*peak, PeakMemory(pi.hProcess));
    End(pi, main);
    return true;
}
} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc == 2 ? argv[1] : "";
    if (mode == "--wmi" || mode == "--preload")
    {
        double t0 = Now();
        if (mode == "--wmi")
            FindSsdModelOfDisks();
        else
            app::SetSystemPath(), app::PreloadSystemDlls();
        std::printf("%.1f\n", Now() - t0);
        return 0;
    }
    if (argc < 5)
    {
        std::fprintf(stderr, "usage: bench_startup program.exe floor.exe runs results.md\n");
        return 2;
    }
    std::string program = argv[1], floor = argv[2], out = argv[4];
    int runs = std::max(1, std::atoi(argv[3]));
    char self[MAX_PATH];
    ::GetModuleFileNameA(nullptr, self, MAX_PATH);

    std::vector<double> toBox, toMain, toFloor, toTemplateFloor, wmi, preload;
    SIZE_T peakProgram = 0, peakFloor = 0;
    // One uncounted run of each first: the first window of a session starts the desktop process
    // and fills the file cache, which only the first program launched would otherwise pay.
    {
        Sample warm;
        if (!MeasureFloor(floor, "", &warm, &peakFloor) ||
            !MeasureFloor(floor, "--template", &warm, &peakFloor) ||
            !MeasureProgram(program, &warm, &peakProgram))
            return 1;
        TimedOnce(self, "--wmi");
        TimedOnce(self, "--preload");
    }
    for (int i = 0; i < runs; ++i)
    {
        // Alternate which one starts first, so neither always follows the other's exit.
        Sample f, t, p;
        bool floorFirst = i % 2 == 0;
        bool ok = floorFirst ? MeasureFloor(floor, "", &f, &peakFloor) &&
                                   MeasureFloor(floor, "--template", &t, &peakFloor) &&
                                   MeasureProgram(program, &p, &peakProgram)
                             : MeasureProgram(program, &p, &peakProgram) &&
                                   MeasureFloor(floor, "--template", &t, &peakFloor) &&
                                   MeasureFloor(floor, "", &f, &peakFloor);
        if (!ok)
            return 1;
        if (f.toMain >= 0)
            toFloor.push_back(f.toMain);
        if (t.toMain >= 0)
            toTemplateFloor.push_back(t.toMain);
        if (p.toBox >= 0 && p.toMain >= 0)
        {
            toBox.push_back(p.toBox);
            toMain.push_back(p.toMain);
        }
        double w = TimedOnce(self, "--wmi");
        wmi.push_back(w);
        preload.push_back(TimedOnce(self, "--preload"));
        std::fprintf(
            stderr,
            "run %d (%s first): floor %.0f ms, template floor %.0f ms, box %.0f ms, main %.0f "
            "ms, wmi %.0f ms\n",
            i + 1, floorFirst ? "floor" : "program", f.toMain, t.toMain, p.toBox, p.toMain, w);
    }

    double floorMs = Median(toFloor), boxMs = Median(toBox), mainMs = Median(toMain),
           wmiMs = Median(wmi);
    double templateFloorMs = Median(toTemplateFloor);
    double ratio = floorMs > 0 ? mainMs / floorMs : -1;
    double target = 1.3 * floorMs + wmiMs;
    double templateRatio = templateFloorMs > 0 ? mainMs / templateFloorMs : -1;
    double templateTarget = 1.3 * templateFloorMs + wmiMs;
    auto range = [](const std::vector<double>& v)
    {
        char text[64] = "-";
        if (!v.empty())
            std::snprintf(text, sizeof(text), "%.0f - %.0f ms",
                          *std::min_element(v.begin(), v.end()),
                          *std::max_element(v.begin(), v.end()));
        return std::string(text);
    };
    char table[4096];
    std::snprintf(
        table, sizeof(table),
        "| figure | median over %d runs | range |\n|---|---|---|\n"
        "| floor: bare dialog with the browser control alone, launch to window | %.0f ms | %s |\n"
        "| floor: bare dialog of the program's template (all its controls), launch to window | "
        "%.0f "
        "ms | %s |\n"
        "| program: launch to the first start-up message box | %.0f ms | %s |\n"
        "| program: launch to the main window (answer time excluded) | %.0f ms | %s |\n"
        "| WMI disk query alone (fresh process) | %.0f ms | %s |\n"
        "| DLLs loaded ahead (old Windows only; fresh process) | %.0f ms | %s |\n"
        "| ratio main window / floor (control alone) | %.2f | |\n"
        "| target: 1.3 x floor (control alone) + WMI query | %.0f ms (%s) | |\n"
        "| ratio main window / floor (program's template) | %.2f | |\n"
        "| target: 1.3 x floor (program's template) + WMI query | %.0f ms (%s) | |\n"
        "| peak working set: program / floor | %lu KiB / %lu KiB | |\n",
        runs, floorMs, range(toFloor).c_str(), templateFloorMs, range(toTemplateFloor).c_str(),
        boxMs, range(toBox).c_str(), mainMs, range(toMain).c_str(), wmiMs, range(wmi).c_str(),
        Median(preload), range(preload).c_str(), ratio, target,
        mainMs <= target ? "met" : "NOT met", templateRatio, templateTarget,
        mainMs <= templateTarget ? "met" : "NOT met",
        static_cast<unsigned long>(peakProgram / 1024),
        static_cast<unsigned long>(peakFloor / 1024));
    std::printf("%s", table);
    if (FILE* f = std::fopen(out.c_str(), "wb"))
    {
        std::fputs(table, f);
        std::fclose(f);
    }
    return 0;
}
