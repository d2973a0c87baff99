#include "ToolRecorder.h"

#include <cstdlib>
#include <memory>
#include <sstream>

#include "TestSupport.h"
#include "recorder/RecordedStarts.h"
#include "recorder/RecorderLog.h"

namespace sysconfig_test
{

namespace
{

using DisableFn = BOOL(WINAPI*)(PVOID*);
using RevertFn = BOOL(WINAPI*)(PVOID);

template <typename Fn> Fn Kernel32(const char* name)
{
    return reinterpret_cast<Fn>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("kernel32.dll"), name)));
}

std::string NewLogPath()
{
    char temp[MAX_PATH] = {};
    ::GetTempPathA(MAX_PATH, temp);
    const std::string path =
        std::string(temp) + "dadaror-recorder-" + std::to_string(::GetCurrentProcessId()) + ".log";
    ::DeleteFileA(path.c_str());
    return path;
}

std::string WindowsFolder()
{
    char windows[MAX_PATH] = {};
    ::GetWindowsDirectoryA(windows, MAX_PATH);
    return windows;
}

} // namespace

std::string SysWow64Folder()
{
    return WindowsFolder() + "\\syswow64";
}

std::string System32Folder()
{
    return WindowsFolder() + "\\system32";
}

CRedirectionOff::CRedirectionOff()
{
    auto disable = Kernel32<DisableFn>("Wow64DisableWow64FsRedirection");
    m_off = disable && disable(&m_old);
}

CRedirectionOff::~CRedirectionOff()
{
    if (m_off)
        Kernel32<RevertFn>("Wow64RevertWow64FsRedirection")(m_old);
}

CInstalledTool::CInstalledTool(std::string folder, std::string fileName, bool bits64)
    : m_path(folder + "\\" + fileName), m_saved(m_path + ".dadaror-saved"), m_bits64(bits64)
{
    const std::string recorder = SupportProgram("dadaror_recorder.exe");
    std::unique_ptr<CRedirectionOff> off(bits64 ? new CRedirectionOff : nullptr);
    // A copy saved by an interrupted run is the system's own file: keep it, do not overwrite it.
    m_hadFile = ::GetFileAttributesA(m_saved.c_str()) != INVALID_FILE_ATTRIBUTES ||
                ::MoveFileExA(m_path.c_str(), m_saved.c_str(), 0) != FALSE;
    m_installed = ::CopyFileA(recorder.c_str(), m_path.c_str(), FALSE) != FALSE;
}

CInstalledTool::~CInstalledTool()
{
    std::unique_ptr<CRedirectionOff> off(m_bits64 ? new CRedirectionOff : nullptr);
    // A copy that is still running can't be deleted yet; the recorder ends right after its line.
    WaitUntil([&]
              { return ::DeleteFileA(m_path.c_str()) || ::GetLastError() == ERROR_FILE_NOT_FOUND; },
              10000);
    if (m_hadFile)
        ::MoveFileExA(m_saved.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

CRecorderLog::CRecorderLog()
    : m_path(NewLogPath()),
      m_forShellStarts(HKEY_CURRENT_USER, recorder::kLogKey, recorder::kLogValue, m_path)
{
    ::SetEnvironmentVariableA(recorder::kLogVariable, m_path.c_str());

    // The tools Wine ships as its own builtins are only replaced by a file in the system folder
    // when the loader is told to prefer the file.
    char overrides[1024] = {};
    ::GetEnvironmentVariableA("WINEDLLOVERRIDES", overrides, sizeof(overrides));
    std::string value = overrides;
    if (value.find("fsutil.exe") == std::string::npos)
    {
        if (!value.empty())
            value += ";";
        value += "fsutil.exe,control.exe,powercfg.exe,bcdedit.exe=n";
        ::SetEnvironmentVariableA("WINEDLLOVERRIDES", value.c_str());
    }
}

CRecorderLog::~CRecorderLog()
{
    ::DeleteFileA(m_path.c_str());
}

std::vector<RecordedStart> CRecorderLog::Read() const
{
    return recorder::ReadLog(m_path);
}

std::vector<RecordedStart> CRecorderLog::WaitFor(size_t count, DWORD timeoutMs) const
{
    std::vector<RecordedStart> starts;
    WaitUntil(
        [&]
        {
            starts = Read();
            return starts.size() >= count;
        },
        timeoutMs);
    return starts;
}

} // namespace sysconfig_test
