// The product's power plan: imported from "velo-ssd.cfg" beside the program and activated, or
// replaced by the Balanced plan and deleted. powercfg is started and never waited for, so the
// pauses give each command time to finish before the next one depends on it.
#include "Optimizer.h"

#include <windows.h>
#include <cwchar>

#include "Launch.h"
#include "framework/Text.h"

namespace
{

const char kActivateProductPlan[] = " -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b";
const char kActivateBalancedPlan[] = " -S 381b4222-f694-41f0-9685-ff5bb260df2e";
const char kDeleteProductPlan[] = " -D b152c1ee-6d00-4b8d-9324-e8edf86cf92b";

} // namespace

void COptimizer::GetFolderOfPath(const wchar_t* modulePath, wchar_t* folder)
{
    // The caller's buffer holds MAX_PATH characters. A longer folder is not cut to fit: a cut
    // path names some other folder, so the caller gets the empty text instead.
    folder[0] = L'\0';
    const wchar_t* end = std::wcsrchr(modulePath, L'\\');
    const size_t length = end ? static_cast<size_t>(end - modulePath) : std::wcslen(modulePath);
    if (length >= MAX_PATH)
        return;
    std::wmemcpy(folder, modulePath, length);
    folder[length] = L'\0';
}

void COptimizer::GetProgramFolder(wchar_t* folder)
{
    // Read as UTF-16: a folder named in characters the system's code page lacks comes back
    // whole, where the 8-bit form would hold "?" and name no folder at all.
    wchar_t path[1041] = {};
    const DWORD length = ::GetModuleFileNameW(nullptr, path, 1041);
    // A full buffer means the name was cut.
    if (length == 0 || length >= 1041)
    {
        folder[0] = L'\0';
        return;
    }
    GetFolderOfPath(path, folder);
}

void COptimizer::InstallPowerPlan()
{
    wchar_t folder[MAX_PATH] = {};
    GetProgramFolder(folder);
    InstallPowerPlan(folder);
}

void COptimizer::InstallPowerPlan(const wchar_t* programFolder)
{
    // Without the whole folder there is no plan file to name: importing from a cut or empty path
    // would read some other file. Nor can a folder with a double quote be named: it would end the
    // quoted path and hand the rest of it to powercfg as arguments of their own. The activation
    // still runs, for a plan imported earlier.
    const bool passable = programFolder && programFolder[0] && !std::wcschr(programFolder, L'"');
    wchar_t parameters[MAX_PATH] = {};
    const bool named =
        passable &&
        fw::FormatText(parameters, MAX_PATH,
                       L"-IMPORT \"%ls\\velo-ssd.cfg\" b152c1ee-6d00-4b8d-9324-e8edf86cf92b",
                       programFolder);
    if (named)
    {
        RunTool("powercfg", parameters);
        ::Sleep(1000);
    }
    RunTool("powercfg", kActivateProductPlan);
}

void COptimizer::RemovePowerPlan()
{
    RunTool("powercfg", kActivateBalancedPlan);
    ::Sleep(500);
    RunTool("powercfg", kDeleteProductPlan);
}
