// Records what the program opens for the user instead of opening it: the web browser (the shell's
// http/https handler) and the Control Panel launcher control.exe become the recorder program.
#include "e2e/E2e.h"
#include "common/DesktopShell.h"
#include "machine/ToolRecorder.h"
#include "recorder/RecordedStarts.h"
#include "recorder/RecorderLog.h"

#include <cstdio>

namespace e2e
{
LaunchRecorder::LaunchRecorder()
{
    m_log = BuildDir() + "\\e2e-launches-" + std::to_string(::GetCurrentProcessId()) + ".log";
    ::DeleteFileA(m_log.c_str());
    const std::string command = "\"" + RecorderPath() + "\" \"%1\"";
    // Addresses are opened by the desktop shell's process, which does not have the environment
    // given to the program: the log is named in the registry too.
    m_saved.push_back(std::make_unique<CScopedRegValue>(HKEY_CURRENT_USER, recorder::kLogKey,
                                                        recorder::kLogValue, m_log, 0));
    bool ok = m_saved.back()->Ok();
    for (const char* scheme : {"http", "https"})
        for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY})
        {
            m_saved.push_back(std::make_unique<CScopedRegValue>(
                HKEY_LOCAL_MACHINE,
                std::string("Software\\Classes\\") + scheme + "\\shell\\open\\command", "", command,
                view));
            ok = ok && m_saved.back()->Ok();
        }
    // control.exe where the program finds it and where the desktop shell does (64-bit), preferred
    // to Wine's built-in one also in the shell's starts, which do not have our environment.
    m_control = std::make_unique<sysconfig_test::CInstalledTool>(sysconfig_test::SysWow64Folder(),
                                                                 "control.exe");
    m_control64 = std::make_unique<sysconfig_test::CInstalledTool>(sysconfig_test::System32Folder(),
                                                                   "control.exe", true);
    m_saved.push_back(std::make_unique<CScopedRegValue>(
        HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides", "control.exe", "native"));
    ok = ok && m_control->Installed() && m_control64->Installed() && m_saved.back()->Ok();
    // The elevated program opens addresses only through the desktop shell.
    m_installed = ok && testsupport::WaitForDesktopShell(20000);
}

LaunchRecorder::~LaunchRecorder()
{
    m_control.reset();
    m_control64.reset();
    // Restore in reverse: the two views may be one key.
    while (!m_saved.empty())
        m_saved.pop_back();
    ::DeleteFileA(m_log.c_str());
}

Env LaunchRecorder::Environment() const
{
    return {{recorder::kLogVariable, m_log}};
}

std::vector<std::string> LaunchRecorder::Lines() const
{
    std::vector<std::string> lines;
    for (const recorder::RecordedStart& start : recorder::ReadLog(m_log))
    {
        const size_t first = start.parameters.find_first_not_of(' ');
        lines.push_back(first == std::string::npos ? std::string()
                                                   : start.parameters.substr(first));
    }
    return lines;
}

bool LaunchRecorder::WaitForLine(const std::string& text, DWORD timeoutMs) const
{
    return WaitUntil(
        [&]
        {
            for (const auto& l : Lines())
                if (l.find(text) != std::string::npos)
                    return true;
            return false;
        },
        timeoutMs, 50);
}

bool LaunchRecorder::WaitUntilSettled(HWND programWindow, DWORD timeoutMs) const
{
    DWORD_PTR ignored = 0;
    if (!::SendMessageTimeoutA(programWindow, WM_NULL, 0, 0, SMTO_NORMAL, timeoutMs, &ignored))
        return false;
    return WaitUntil(
        [] {
            return !RunningProcessOf({"dadaror_recorder.exe", "control.exe"});
        },
        timeoutMs, 50);
}
} // namespace e2e
