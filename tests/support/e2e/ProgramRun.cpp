// The program under test as a debuggee: its OutputDebugStringA texts are the apply sequence's
// progress markers, and the debugger also sees how the process ends.
#include "e2e/E2e.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <mutex>

#include <tlhelp32.h>

namespace e2e
{
#ifndef E2E_PROGRAM_UNIX_PATH
#error "E2E_PROGRAM_UNIX_PATH must name the test build of DADAROR.exe"
#endif

std::string ProgramPath()
{
    return WinePath(E2E_PROGRAM_UNIX_PATH);
}
std::string BuildDir()
{
    return WinePath(E2E_BUILD_UNIX_DIR);
}
std::string RecorderPath()
{
    return WinePath(E2E_RECORDER_UNIX_PATH);
}

struct ProgramRun::Shared
{
    mutable std::mutex lock;
    mutable std::condition_variable changed;
    std::vector<std::string> markers;
    std::vector<ULONGLONG> markerTimes; // when each arrived, while the program waited for us
    bool exited = false;
    DWORD exitCode = 0;
    bool created = false; // the creation step finished (successfully or not)
};

namespace
{
// The test's own environment with `extra` added; names compare without case, as Windows does.
std::vector<char> BuildEnvironment(const Env& extra)
{
    std::vector<std::string> vars;
    if (char* block = ::GetEnvironmentStringsA())
    {
        for (const char* p = block; *p; p += std::strlen(p) + 1)
            vars.emplace_back(p);
        ::FreeEnvironmentStringsA(block);
    }
    for (const auto& [name, value] : extra)
    {
        const std::string prefix = name + "=";
        vars.erase(std::remove_if(vars.begin(), vars.end(),
                                  [&](const std::string& v)
                                  {
                                      return v.size() >= prefix.size() &&
                                             ::CompareStringA(
                                                 LOCALE_INVARIANT, NORM_IGNORECASE, v.c_str(),
                                                 static_cast<int>(prefix.size()), prefix.c_str(),
                                                 static_cast<int>(prefix.size())) == CSTR_EQUAL;
                                  }),
                   vars.end());
        vars.push_back(prefix + value);
    }
    std::vector<char> block;
    for (const auto& v : vars)
        block.insert(block.end(), v.c_str(), v.c_str() + v.size() + 1);
    block.push_back('\0');
    return block;
}
// Wine takes a process's code page from the Unix locale it starts in, which a Windows parent's
// environment does not reach: wine starts the program from the Unix side (the only DADAROR.exe,
// as it runs once), and the debugger attaches to it. Markers from before that are not seen.
BOOL StartInUnixLocale(const std::string& locale, const std::string& exe, const std::string& dir,
                       std::vector<char>& env, STARTUPINFOA& si, PROCESS_INFORMATION& pi)
{
    std::string cmd = "/usr/bin/env LC_ALL=" + locale + " wine \"" + exe + "\"";
    PROCESS_INFORMATION unix = {};
    if (!::CreateProcessA("Z:\\usr\\bin\\env", cmd.data(), nullptr, nullptr, FALSE, 0, env.data(),
                          dir.c_str(), &si, &unix))
        return FALSE;
    ::CloseHandle(unix.hThread);
    ::CloseHandle(unix.hProcess);
    const std::string name = exe.substr(exe.find_last_of('\\') + 1);
    WaitUntil([&] { return (pi.dwProcessId = RunningProcessOf({name.c_str()})) != 0; }, kWait);
    if (!pi.dwProcessId || !::DebugActiveProcess(pi.dwProcessId))
        return FALSE;
    pi.hProcess = ::OpenProcess(PROCESS_ALL_ACCESS, FALSE, pi.dwProcessId);
    return pi.hProcess != nullptr;
}
} // namespace

DWORD RunningProcessOf(std::initializer_list<const char*> names)
{
    DWORD found = 0;
    HANDLE snapshot = ::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof(entry);
    for (BOOL more = snapshot != INVALID_HANDLE_VALUE && ::Process32First(snapshot, &entry);
         more && !found; more = ::Process32Next(snapshot, &entry))
        for (const char* name : names)
            found = found ? found : ::lstrcmpiA(entry.szExeFile, name) ? 0 : entry.th32ProcessID;
    if (snapshot != INVALID_HANDLE_VALUE)
        ::CloseHandle(snapshot);
    return found;
}

ProgramRun::ProgramRun(Env env, std::string exe, std::string workDir)
    : m_shared(std::make_shared<Shared>()), m_exe(std::move(exe)), m_workDir(std::move(workDir)),
      m_env(std::move(env))
{
    m_thread = ::CreateThread(nullptr, 0, &ProgramRun::DebugThread, this, 0, nullptr);
    if (!m_thread)
        return;
    std::unique_lock<std::mutex> l(m_shared->lock);
    m_shared->changed.wait(l, [&] { return m_shared->created; });
}

ProgramRun::~ProgramRun()
{
    Terminate();
    if (m_thread)
    {
        ::WaitForSingleObject(m_thread, 30000);
        ::CloseHandle(m_thread);
    }
    // The exit event comes before the system has closed the process's handles: the next start
    // must not meet its single-instance mutex.
    if (m_process)
    {
        ::WaitForSingleObject(m_process, 30000);
        ::CloseHandle(m_process);
    }
}

DWORD WINAPI ProgramRun::DebugThread(void* param)
{
    static_cast<ProgramRun*>(param)->DebugLoop();
    return 0;
}

void ProgramRun::DebugLoop()
{
    std::string cmd = "\"" + m_exe + "\"";
    std::vector<char> cmdBuf(cmd.begin(), cmd.end());
    cmdBuf.push_back('\0');
    std::vector<char> envBlock = BuildEnvironment(m_env);
    STARTUPINFOA si = {};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi = {};
    std::string dir = m_workDir;
    if (dir.empty())
        dir = m_exe.substr(0, m_exe.find_last_of('\\'));
    const auto locale =
        std::find_if(m_env.begin(), m_env.end(), [](const auto& v) { return v.first == "LC_ALL"; });
    const BOOL ok =
        locale == m_env.end()
            ? ::CreateProcessA(m_exe.c_str(), cmdBuf.data(), nullptr, nullptr, FALSE,
                               DEBUG_ONLY_THIS_PROCESS, envBlock.data(), dir.c_str(), &si, &pi)
            : StartInUnixLocale(locale->second, m_exe, dir, envBlock, si, pi);
    {
        std::lock_guard<std::mutex> l(m_shared->lock);
        if (ok)
        {
            m_process = pi.hProcess;
            m_pid = pi.dwProcessId;
            ::CloseHandle(pi.hThread);
        }
        else
        {
            m_createError = ::GetLastError();
            m_exited = true;
            m_shared->exited = true;
        }
        m_shared->created = true;
    }
    m_shared->changed.notify_all();
    if (!ok)
        return;

    bool firstBreakpoint = true;
    for (;;)
    {
        DEBUG_EVENT ev = {};
        if (!::WaitForDebugEvent(&ev, 200))
            continue;
        DWORD status = DBG_CONTINUE;
        switch (ev.dwDebugEventCode)
        {
        case CREATE_PROCESS_DEBUG_EVENT:
            if (ev.u.CreateProcessInfo.hFile)
                ::CloseHandle(ev.u.CreateProcessInfo.hFile);
            break;
        case LOAD_DLL_DEBUG_EVENT:
            if (ev.u.LoadDll.hFile)
                ::CloseHandle(ev.u.LoadDll.hFile);
            break;
        case OUTPUT_DEBUG_STRING_EVENT:
        {
            const auto& info = ev.u.DebugString;
            std::string text(info.nDebugStringLength, '\0');
            SIZE_T read = 0;
            if (!info.fUnicode && info.nDebugStringLength > 0 &&
                ::ReadProcessMemory(m_process, info.lpDebugStringData, text.data(), text.size(),
                                    &read))
            {
                text.resize(std::min<size_t>(read, std::strlen(text.c_str())));
                while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
                    text.pop_back();
                {
                    std::lock_guard<std::mutex> l(m_shared->lock);
                    m_shared->markers.push_back(text);
                    m_shared->markerTimes.push_back(::GetTickCount64());
                }
                m_shared->changed.notify_all();
            }
            break;
        }
        case EXCEPTION_DEBUG_EVENT:
        {
            const DWORD code = ev.u.Exception.ExceptionRecord.ExceptionCode;
            // The loader's breakpoint (and the 32-bit one under WOW64) is ours to swallow.
            if (firstBreakpoint && (code == EXCEPTION_BREAKPOINT || code == 0x4000001F))
            {
                firstBreakpoint = code != EXCEPTION_BREAKPOINT;
                break;
            }
            if (!ev.u.Exception.dwFirstChance)
                ++m_unhandled;
            status = DBG_EXCEPTION_NOT_HANDLED;
            break;
        }
        case EXIT_PROCESS_DEBUG_EVENT:
        {
            {
                std::lock_guard<std::mutex> l(m_shared->lock);
                m_shared->exited = true;
                m_shared->exitCode = ev.u.ExitProcess.dwExitCode;
            }
            m_exited = true;
            m_shared->changed.notify_all();
            ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, DBG_CONTINUE);
            return;
        }
        default:
            break;
        }
        ::ContinueDebugEvent(ev.dwProcessId, ev.dwThreadId, status);
    }
}

std::vector<std::string> ProgramRun::Markers() const
{
    std::lock_guard<std::mutex> l(m_shared->lock);
    return m_shared->markers;
}

std::vector<std::string> ProgramRun::MarkersStartingWith(const std::string& prefix) const
{
    std::vector<std::string> found;
    for (const std::string& m : Markers())
        if (m.rfind(prefix, 0) == 0)
            found.push_back(m);
    return found;
}

std::optional<ULONGLONG> ProgramRun::MarkerTime(const std::string& text) const
{
    std::lock_guard<std::mutex> l(m_shared->lock);
    const auto at = std::find(m_shared->markers.begin(), m_shared->markers.end(), text);
    if (at == m_shared->markers.end())
        return std::nullopt;
    return m_shared->markerTimes[static_cast<size_t>(at - m_shared->markers.begin())];
}

bool ProgramRun::HasMarker(const std::string& text) const
{
    std::lock_guard<std::mutex> l(m_shared->lock);
    return std::find(m_shared->markers.begin(), m_shared->markers.end(), text) !=
           m_shared->markers.end();
}

bool ProgramRun::WaitForMarker(const std::string& text, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> l(m_shared->lock);
    return m_shared->changed.wait_for(l, std::chrono::milliseconds(timeoutMs),
                                      [&]
                                      {
                                          return std::find(m_shared->markers.begin(),
                                                           m_shared->markers.end(),
                                                           text) != m_shared->markers.end();
                                      });
}

std::optional<DWORD> ProgramRun::WaitForExit(DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> l(m_shared->lock);
    if (!m_shared->changed.wait_for(l, std::chrono::milliseconds(timeoutMs),
                                    [&] { return m_shared->exited; }))
        return std::nullopt;
    return m_shared->exitCode;
}

void ProgramRun::Terminate()
{
    if (!m_process || m_exited)
        return;
    ::TerminateProcess(m_process, 0xE2E);
    WaitForExit(30000);
}
} // namespace e2e

namespace e2e
{
ProgramServer::ProgramServer()
    : CHttpTestServer(ProgramPort(), testsupport::HttpAnswer(404, "not found"))
{
    // Fails the test at once: the program would talk to whoever holds the port.
    if (!IsListening())
        ADD_FAILURE() << ListenError();
    Answer("/prodline/version/version.asp", 200, "1.4");
}

std::string ProgramUrl(const std::string& pathAndQuery)
{
    return "http://127.0.0.1:" + std::to_string(testsupport::CHttpTestServer::ProgramPort()) +
           pathAndQuery;
}
} // namespace e2e
