// The apply run when pieces of the system are missing or the registry holds what it should not.
// A configuration step that fails is never shown and never stops the run: every row's marker
// comes in order, and the only box is the restart question when the paging file was written.
//
// Observed under Wine 8 (recommended selection, one apply; all nine row markers in order in
// every case, no box but the restart question, no crash, the dialog usable afterwards):
//
//   case                                        | restart question | "PagingFiles" afterwards
//   --------------------------------------------+------------------+-----------------------------
//   fsutil moved out of both system folders     | yes (Cancel)     | C:\pagefile.sys 0 0
//     (powercfg, bcdedit absent in Wine anyway) |                  |
//   no WSearch, SysMain, defragsvc in the SCM   | yes (Cancel)     | C:\pagefile.sys 0 0; the six
//                                               |                  | tools still started
//   REG_DWORD 0x10                              | yes (Cancel)     | rewritten as REG_MULTI_SZ
//   REG_BINARY, 16 bytes without a NUL          | yes (Cancel)     | rewritten as REG_MULTI_SZ
//   REG_MULTI_SZ of 600 bytes                   | no               | unchanged, as is
//                                               |                  | "DisablePagingExecutive"
//   REG_MULTI_SZ of 64 KB                       | no               | unchanged, likewise
//
// The type of "PagingFiles" is not looked at: a short value of any type reads as text and is
// replaced. A value too long for the read leaves everything as it was and asks nothing.
#include "Hostile.h"
#include "TestSupport.h"
#include "common/ProgramFacts.h"
#include "ToolRecorder.h"

#include <algorithm>
#include <memory>

using namespace sysconfig_test;

namespace
{

const std::vector<std::string> kRowMarkers = {
    "VMem", "WSearch", "SysMain", "trim", "Lastfileaccess", "power", "hib", "diskfrag", "GUI BOOT"};
const char* const kServices[] = {"WSearch", "SysMain", "defragsvc"};
const char* const kTools[] = {"fsutil.exe", "powercfg.exe", "bcdedit.exe"};

bool FileExists(const std::string& path, bool bits64)
{
    std::unique_ptr<CRedirectionOff> off(bits64 ? new CRedirectionOff : nullptr);
    return ::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// A file of a system folder moved aside for the test and put back afterwards. A copy left aside
// by an earlier run that did not finish is put back first.
class CFileAside
{
public:
    CFileAside(const std::string& folder, const char* name, bool bits64)
        : m_path(folder + "\\" + name), m_aside(m_path + ".hostile-aside"), m_bits64(bits64)
    {
        std::unique_ptr<CRedirectionOff> off(bits64 ? new CRedirectionOff : nullptr);
        if (::GetFileAttributesA(m_aside.c_str()) != INVALID_FILE_ATTRIBUTES)
            ::MoveFileExA(m_aside.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
        m_moved = ::GetFileAttributesA(m_path.c_str()) != INVALID_FILE_ATTRIBUTES &&
                  ::MoveFileExA(m_path.c_str(), m_aside.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    ~CFileAside()
    {
        std::unique_ptr<CRedirectionOff> off(m_bits64 ? new CRedirectionOff : nullptr);
        if (m_moved)
            ::MoveFileExA(m_aside.c_str(), m_path.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
    CFileAside(const CFileAside&) = delete;
    CFileAside& operator=(const CFileAside&) = delete;

private:
    std::string m_path, m_aside;
    bool m_bits64;
    bool m_moved = false;
};

// What one apply run showed.
struct ApplyOutcome
{
    std::vector<std::string> rows; // row markers in arrival order
    std::vector<std::string>
        others; // windows that are neither the dialog, the progress window nor the question
    HWND question = nullptr;
};

const char kTwoDrives[] = "C:\\pagefile.sys 16 32\0D:\\pagefile.sys 0 0\0";

class HostileApply : public ::testing::Test
{
protected:
    void WritePagingFiles(DWORD type, const std::string& bytes)
    {
        ASSERT_EQ(ERROR_SUCCESS,
                  WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles", type,
                           bytes.data(), static_cast<DWORD>(bytes.size())));
    }

    HWND Start()
    {
        run.reset(new e2e::ProgramRun());
        std::vector<e2e::StartupBox> boxes;
        HWND dlg = run->Started() ? e2e::StartToMainWindow(*run, hostile::kWait, &boxes) : nullptr;
        EXPECT_EQ(1u, boxes.size()) << "more than the no-SSD question at start-up";
        return dlg;
    }

    // Presses apply and watches until the last row is done and the question came, or, when none
    // is expected, until the progress window is gone after the last row. (A question asked after
    // all the same blocks the worker, and so the close at the end of every test.)
    ApplyOutcome Apply(HWND dlg, bool questionExpected)
    {
        ApplyOutcome outcome;
        EXPECT_TRUE(e2e::ClickApply(*run, dlg)) << "the click on apply was not taken";
        e2e::WaitUntil(
            [&]
            {
                bool progress = false;
                for (HWND h : e2e::TopWindowsOf(run->Pid(), true))
                {
                    progress = progress || ::GetDlgItem(h, IDC_PROGRESS_TEXT);
                    if (h == dlg || ::GetDlgItem(h, IDC_PROGRESS_TEXT))
                        continue;
                    if (e2e::IsMessageBox(h) && e2e::MessageBoxText(h) == facts::kRestartQuestion)
                    {
                        outcome.question = h;
                        continue;
                    }
                    std::string seen = e2e::ClassOf(h) + " \"" + e2e::WindowText(h) + "\"";
                    if (e2e::IsMessageBox(h))
                        seen += ": " + e2e::MessageBoxText(h);
                    if (std::find(outcome.others.begin(), outcome.others.end(), seen) ==
                        outcome.others.end())
                        outcome.others.push_back(seen);
                }
                if (questionExpected)
                    return outcome.question != nullptr;
                return outcome.question != nullptr || (run->HasMarker("GUI BOOT") && !progress);
            },
            60000);
        for (const std::string& m : run->Markers())
            if (m.rfind("test:", 0) != 0)
                outcome.rows.push_back(m);
        return outcome;
    }

    // Cancel to the question; the program goes on with its dialog enabled.
    void CancelAndExpectUsable(HWND dlg, HWND question)
    {
        ASSERT_TRUE(e2e::AnswerBox(question, IDCANCEL));
        ASSERT_TRUE(e2e::WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 10000));
        hostile::ExpectUsable(*run, dlg);
    }

    // The paging files on two drives, the program started and the recommendation applied:
    // every row ran and nothing but the restart question (in `outcome`) was shown.
    HWND StartAndApplyOnTwoDrives(ApplyOutcome& outcome)
    {
        WritePagingFiles(REG_MULTI_SZ, std::string(kTwoDrives, sizeof(kTwoDrives)));
        HWND dlg = Start();
        if (!dlg)
            return nullptr;
        outcome = Apply(dlg, true);
        EXPECT_EQ(kRowMarkers, outcome.rows);
        EXPECT_TRUE(outcome.others.empty())
            << "shown besides the restart question: " << outcome.others.front();
        return dlg;
    }

    CSavedValue pagingFiles{HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles"};
    CSavedValue pagingExecutive{HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey,
                                "DisablePagingExecutive"};
    std::unique_ptr<e2e::ProgramRun> run;
};

} // namespace

TEST_F(HostileApply, WithoutTheSystemToolsEveryRowStillRuns)
{
    // Wine ships only fsutil; powercfg and bcdedit do not exist in either system folder.
    CFileAside fsutil32(SysWow64Folder(), "fsutil.exe", false);
    CFileAside fsutil64(System32Folder(), "fsutil.exe", true);
    const std::string programFolder =
        e2e::ProgramPath().substr(0, e2e::ProgramPath().find_last_of('\\'));
    for (const char* tool : kTools)
        for (const auto& [folder, bits64] :
             {std::make_pair(SysWow64Folder(), false), std::make_pair(System32Folder(), true),
              std::make_pair(programFolder, false)})
            ASSERT_FALSE(FileExists(folder + "\\" + tool, bits64))
                << folder << "\\" << tool << " is still there";
    ApplyOutcome outcome;
    HWND dlg = StartAndApplyOnTwoDrives(outcome);
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(outcome.question) << "no restart question";
    CancelAndExpectUsable(dlg, outcome.question);
    hostile::ExpectClosesCleanly(*run, dlg);
}

TEST_F(HostileApply, WithoutTheServicesEveryRowStillRuns)
{
    for (const char* name : kServices)
        ASSERT_FALSE(ServiceExists(name)) << name << " exists in this prefix";
    // The tools are there (recorded), so the services are the one piece missing.
    CRecorderLog log;
    CInstalledTool fsutil{SysWow64Folder(), "fsutil.exe"};
    CInstalledTool powercfg{SysWow64Folder(), "powercfg.exe"};
    CInstalledTool bcdedit64{System32Folder(), "bcdedit.exe", true};
    ASSERT_TRUE(fsutil.Installed() && powercfg.Installed() && bcdedit64.Installed());
    ApplyOutcome outcome;
    HWND dlg = StartAndApplyOnTwoDrives(outcome);
    ASSERT_TRUE(dlg);
    ASSERT_TRUE(outcome.question) << "no restart question";
    // The rows after the services still started their tools: trim, last access, plan import and
    // activation, hibernation, boot animation.
    EXPECT_EQ(6u, log.WaitFor(6, 10000).size());
    for (const char* name : kServices)
        EXPECT_FALSE(ServiceExists(name)) << "the apply created " << name;
    CancelAndExpectUsable(dlg, outcome.question);
    hostile::ExpectClosesCleanly(*run, dlg);
}

namespace
{

struct PagingCase
{
    const char* name;
    DWORD type;
    std::string bytes;
    bool written; // the value is read as text and replaced; the restart question follows
};

std::ostream& operator<<(std::ostream& out, const PagingCase& c)
{
    return out << c.name;
}

// A multi-string of whole entries, `size` bytes with its closing NULs.
std::string MultiStringOf(size_t size)
{
    std::string entries;
    const std::string entry("C:\\pagefile.sys 16 32\0", 22);
    while (entries.size() + entry.size() + 1 <= size)
        entries += entry;
    entries.append(size - entries.size(), '\0');
    return entries;
}

std::vector<PagingCase> PagingCases()
{
    const DWORD dword = 0x10;
    return {
        {"Dword", REG_DWORD, std::string(reinterpret_cast<const char*>(&dword), sizeof(dword)),
         true},
        {"Binary", REG_BINARY,
         std::string("\x01\x02\x03\x04\x05\x06\x07\x08\x09\x0a\x0b\x0c\x0d\x0e\x0f\x10", 16), true},
        {"MultiString600Bytes", REG_MULTI_SZ, MultiStringOf(600), false},
        {"MultiString64Kilobytes", REG_MULTI_SZ, MultiStringOf(64 * 1024), false},
    };
}

class PagingFilesValue : public HostileApply, public ::testing::WithParamInterface<PagingCase>
{
};

} // namespace

TEST_P(PagingFilesValue, ApplyCompletesAndWritesOnlyWhatFits)
{
    const PagingCase& c = GetParam();
    // The tools are recorded so that nothing but the registry matters here.
    CRecorderLog log;
    CInstalledTool fsutil{SysWow64Folder(), "fsutil.exe"};
    CInstalledTool powercfg{SysWow64Folder(), "powercfg.exe"};
    CInstalledTool bcdedit64{System32Folder(), "bcdedit.exe", true};
    WritePagingFiles(c.type, c.bytes);
    const DWORD executive = 7; // a value the program never writes
    ASSERT_EQ(ERROR_SUCCESS,
              WriteRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "DisablePagingExecutive",
                       REG_DWORD, &executive, sizeof(executive)));
    const RawValue before = ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles");

    HWND dlg = Start();
    ASSERT_TRUE(dlg);
    ApplyOutcome outcome = Apply(dlg, c.written);
    EXPECT_EQ(kRowMarkers, outcome.rows);
    EXPECT_TRUE(outcome.others.empty())
        << "shown besides the restart question: " << outcome.others.front();

    const RawValue after = ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "PagingFiles");
    const RawValue executiveAfter =
        ReadRaw(HKEY_LOCAL_MACHINE, facts::kMemoryManagementKey, "DisablePagingExecutive");
    ASSERT_EQ(4u, executiveAfter.data.size());
    if (c.written)
    {
        ASSERT_TRUE(outcome.question) << "no restart question";
        EXPECT_EQ(static_cast<DWORD>(REG_MULTI_SZ), after.type);
        EXPECT_EQ(std::string("C:\\pagefile.sys 0 0\0", 21),
                  std::string(after.data.begin(), after.data.end()));
        EXPECT_EQ(0u, *reinterpret_cast<const DWORD*>(executiveAfter.data.data()));
        CancelAndExpectUsable(dlg, outcome.question);
    }
    else
    {
        EXPECT_FALSE(outcome.question) << "the restart question without a paging file written";
        EXPECT_EQ(before.type, after.type);
        EXPECT_TRUE(before.data == after.data) << "the oversized value was changed";
        EXPECT_EQ(executive, *reinterpret_cast<const DWORD*>(executiveAfter.data.data()));
        EXPECT_TRUE(e2e::WaitUntil([&] { return ::IsWindowEnabled(dlg) != FALSE; }, 10000));
        hostile::ExpectUsable(*run, dlg);
    }
    hostile::ExpectClosesCleanly(*run, dlg);
}

INSTANTIATE_TEST_SUITE_P(Hostile, PagingFilesValue, ::testing::ValuesIn(PagingCases()),
                         [](const ::testing::TestParamInfo<PagingCase>& info)
                         { return std::string(info.param.name); });
