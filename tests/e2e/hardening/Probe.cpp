#include "Probe.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

namespace hardening
{
std::string ToString(const Counts& c)
{
    return "gdi=" + std::to_string(c.gdi) + " handles=" + std::to_string(c.handles) +
           " windows=" + std::to_string(c.windows);
}

std::string HelperDir()
{
    return e2e::WinePath(HARDENING_DIR);
}
std::string HelperPath(const std::string& fileName)
{
    return HelperDir() + "\\" + fileName;
}

namespace
{
std::vector<std::string> ProbeMarkers(const e2e::ProgramRun& run)
{
    return run.MarkersStartingWith("probe ");
}
} // namespace

std::optional<Counts> ProbeOnce(const e2e::ProgramRun& run, DWORD timeoutMs)
{
    if (!run.Started() || run.Exited())
        return std::nullopt;
    const size_t before = ProbeMarkers(run).size();
    HANDLE process = ::OpenProcess(PROCESS_CREATE_THREAD | PROCESS_QUERY_INFORMATION |
                                       PROCESS_VM_OPERATION | PROCESS_VM_WRITE | PROCESS_VM_READ,
                                   FALSE, run.Pid());
    if (!process)
        return std::nullopt;
    const std::string path = HelperPath("hardening_probe.dll");
    void* remote = ::VirtualAllocEx(process, nullptr, path.size() + 1, MEM_COMMIT | MEM_RESERVE,
                                    PAGE_READWRITE);
    bool ran = false;
    if (remote && ::WriteProcessMemory(process, remote, path.c_str(), path.size() + 1, nullptr))
    {
        // kernel32 sits at the same address in every 32-bit process of the prefix.
        auto loadLibrary = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "LoadLibraryA")));
        HANDLE thread = ::CreateRemoteThread(process, nullptr, 0, loadLibrary, remote, 0, nullptr);
        if (thread)
        {
            ran = ::WaitForSingleObject(thread, timeoutMs) == WAIT_OBJECT_0;
            ::CloseHandle(thread);
        }
    }
    if (remote && ran)
        ::VirtualFreeEx(process, remote, 0, MEM_RELEASE);
    ::CloseHandle(process);
    if (!ran)
        return std::nullopt;
    // The text is delivered before the thread can end, but the debugger thread files it.
    if (!e2e::WaitUntil([&] { return ProbeMarkers(run).size() > before; }, 5000))
        return std::nullopt;
    Counts c;
    const std::string text = ProbeMarkers(run).back();
    if (std::sscanf(text.c_str(), "probe gdi=%d handles=%d windows=%d", &c.gdi, &c.handles,
                    &c.windows) != 3)
        return std::nullopt;
    return c;
}

std::optional<Counts> SettledCounts(const e2e::ProgramRun& run, HWND window, DWORD timeoutMs)
{
    std::optional<Counts> previous, settled;
    e2e::WaitUntil(
        [&]
        {
            DWORD_PTR ignored = 0;
            if (window)
                ::SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_BLOCK, 5000, &ignored);
            std::optional<Counts> now = ProbeOnce(run);
            if (now && previous && *now == *previous)
                settled = now;
            previous = now;
            return settled.has_value();
        },
        timeoutMs, 50);
    return settled;
}

bool NoGrowth(const Counts& base, const Counts& now)
{
    return now.gdi <= base.gdi && now.handles <= base.handles && now.windows <= base.windows;
}

std::optional<Counts> WaitForNoGrowth(const e2e::ProgramRun& run, HWND window, const Counts& base,
                                      DWORD timeoutMs)
{
    std::optional<Counts> last;
    e2e::WaitUntil(
        [&]
        {
            last = SettledCounts(run, window, timeoutMs);
            return last && NoGrowth(base, *last);
        },
        timeoutMs, 200);
    return last;
}
} // namespace hardening
