// tools/windows/readback.cmd run the way a user runs it, by the system's command processor, with
// tools that refuse: every tool that fails must be reported as failing, never read as a state.
// It keeps nothing in %TEMP%, which here names a folder that does not exist (Wine's cmd keeps
// what a for /f reads in the folder TMP names, which stays).
#include <gtest/gtest.h>

#include <windows.h>
#include <fstream>
#include <sstream>
#include <string>

#include "TestSupport.h"
#include "ToolRecorder.h"
#include "recorder/RecorderLog.h"

using namespace sysconfig_test;

namespace
{

// "cmd /c readback.cmd /nopause" in the script's folder; what it printed, to a new file each run.
std::string RunReadBack(const testsupport::CTempFolder& folder, const char* name = "state.txt")
{
    const std::string outputPath = folder / name;
    SECURITY_ATTRIBUTES inherited = {sizeof(inherited), nullptr, TRUE};
    HANDLE output = ::CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherited,
                                  CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    char system[MAX_PATH] = {};
    ::GetSystemDirectoryA(system, MAX_PATH);
    std::string command = "\"" + std::string(system) + "\\cmd.exe\" /c readback.cmd /nopause";
    STARTUPINFOA startup = {};
    startup.cb = sizeof(startup);
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = startup.hStdError = output;
    PROCESS_INFORMATION process = {};
    const bool started =
        output != INVALID_HANDLE_VALUE &&
        ::CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr,
                         folder.Path().c_str(), &startup, &process);
    ::CloseHandle(output);
    if (!started)
        return "cmd could not be started";
    const bool ended = ::WaitForSingleObject(process.hProcess, 90000) == WAIT_OBJECT_0;
    if (!ended)
        ::TerminateProcess(process.hProcess, 1);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    std::ostringstream text;
    text << std::ifstream(outputPath, std::ios::binary).rdbuf();
    return ended ? text.str() : "readback.cmd did not end within 90 s";
}

bool HasLine(const std::string& text, const std::string& start)
{
    return text.find("\n    " + start) != std::string::npos;
}

} // namespace

TEST(ReadBackRun, EveryToolThatFailsIsReportedAsFailingAndWhatWasReadIsShown)
{
    testsupport::CTempFolder folder("dadaror-readback");
    ASSERT_TRUE(folder.Ok());
    ASSERT_TRUE(::CopyFileA(WinePath(DADAROR_READBACK_SCRIPT).c_str(),
                            (folder / "readback.cmd").c_str(), FALSE));
    // sc answers for a service that does not exist as Korean Windows does; bcdedit refuses with
    // an error number (E_ACCESSDENIED), a negative exit code.
    std::ofstream(folder / "sc.txt", std::ios::binary)
        << "1060\r\n[SC] OpenService 실패 1060:\r\n\r\n지정된 서비스가 설치된 서비스로 존재하지 "
           "않습니다.\r\n\r\n";
    std::ofstream(folder / "bcdedit.txt", std::ios::binary)
        << "-2147024891\r\n부팅 구성 데이터 저장소를 열 수 없습니다.\r\n";
    ASSERT_TRUE(::SetEnvironmentVariableA(recorder::kAnswersVariable, folder.Path().c_str()));
    CRecorderLog log;
    // Wine prefers its own sc to a file of that name; from a Windows parent only the registry can
    // say otherwise. Wine's own fsutil stays: it refuses every query.
    testsupport::CScopedRegValue nativeSc(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides",
                                          "sc.exe", "native");
    // The script reaches the 64-bit folder through Sysnative, or System32 from a 64-bit cmd.
    CInstalledTool sc64(System32Folder(), "sc.exe", true), sc32(SysWow64Folder(), "sc.exe");
    CInstalledTool bcdedit64(System32Folder(), "bcdedit.exe", true);
    CInstalledTool bcdedit32(SysWow64Folder(), "bcdedit.exe");
    ASSERT_TRUE(nativeSc.Ok() && sc64.Installed() && sc32.Installed() && bcdedit64.Installed() &&
                bcdedit32.Installed());
    // One value the script can read, so that a script reporting everything as failed fails too;
    // its "%" signs are printed as they are, never expanded again.
    CSavedValue pagingFiles(HKEY_LOCAL_MACHINE, kMemoryManagementKey, "PagingFiles");
    const char list[] = "X:\\%PATH%\\100%.sys 1 2\0";
    ASSERT_EQ(ERROR_SUCCESS, WriteRaw(HKEY_LOCAL_MACHINE, kMemoryManagementKey, "PagingFiles",
                                      REG_MULTI_SZ, list, sizeof(list)));
    ASSERT_TRUE(::SetEnvironmentVariableA("TEMP", (folder / "missing").c_str()));
    // Variables that would stand in for cmd's own: a command in them never runs, and a failure's
    // exit code is still read as it is.
    for (const char* name : {"DATE", "TIME", "COMPUTERNAME"})
        ASSERT_TRUE(::SetEnvironmentVariableA(name, "d & echo INJECTED"));
    ASSERT_TRUE(::SetEnvironmentVariableA("ERRORLEVEL", "0"));

    const std::string output = RunReadBack(folder);

    for (const char* query : {"sc qc ", "sc query "})
        for (const char* service : {"WSearch", "SysMain", "defragsvc"})
            EXPECT_TRUE(HasLine(output, query + std::string(service) +
                                            " FAILED (exit 1060), no such service"))
                << query << service << "\n"
                << output;
    // Wine's fsutil refuses, Wine has no powercfg, bcdedit is denied: none of them gives a state.
    for (const char* tool : {"fsutil behavior query disabledeletenotify FAILED",
                             "fsutil behavior query disablelastaccess FAILED", "powercfg /a FAILED",
                             "powercfg /list FAILED", "bcdedit /enum {current} FAILED (exit -"})
        EXPECT_TRUE(HasLine(output, tool)) << tool << "\n" << output;
    EXPECT_EQ(output.find("quietboot not set"), std::string::npos) << output;
    EXPECT_TRUE(HasLine(output, "PagingFiles REG_MULTI_SZ X:\\%PATH%\\100%.sys 1 2")) << output;
    EXPECT_EQ(output.find("INJECTED"), std::string::npos) << output;
    EXPECT_NE(output.find("\nComputer "), std::string::npos) << output;
    // On XP (as cmd is told here), rows XP cannot answer say so instead of running the tool; reg
    // refuses as where a policy forbids it: no registry row reads as a value that is not set.
    testsupport::CScopedRegValue xp(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\cmd.exe",
                                    "Version", "winxp");
    testsupport::CScopedRegValue nativeReg(HKEY_CURRENT_USER, "Software\\Wine\\DllOverrides",
                                           "reg.exe", "native");
    CInstalledTool reg64(System32Folder(), "reg.exe", true), reg32(SysWow64Folder(), "reg.exe");
    std::ofstream(folder / "reg.txt", std::ios::binary)
        << "1\r\n오류: 관리자가 레지스트리 편집을 사용하지 않도록 설정했습니다.\r\n";
    ASSERT_TRUE(xp.Ok() && nativeReg.Ok() && reg64.Installed() && reg32.Installed());
    const std::string onXp = RunReadBack(folder, "xp.txt");
    for (const char* row :
         {"reg query HibernateEnabled", "powercfg /a", "powercfg /list", "bcdedit /enum {current}"})
        EXPECT_TRUE(HasLine(onXp, row + std::string(": not available on this Windows"))) << onXp;
    for (const char* row : {"reg query PagingFiles", "reg query DisablePagingExecutive"})
        EXPECT_TRUE(HasLine(onXp, row + std::string(" FAILED (exit 1)"))) << onXp;
}
