// The product's power plan: imported from "velo-ssd.cfg" beside the program and activated, or
// replaced by the Balanced plan and deleted. powercfg is started and never waited for, so the
// pauses give each command time to finish before the next one depends on it.
#include "Optimizer.h"

#include <windows.h>
#include <cstring>

#include "Launch.h"
#include "framework/Text.h"

namespace
{

const char kActivateProductPlan[] = " -S b152c1ee-6d00-4b8d-9324-e8edf86cf92b";
const char kActivateBalancedPlan[] = " -S 381b4222-f694-41f0-9685-ff5bb260df2e";
const char kDeleteProductPlan[] = " -D b152c1ee-6d00-4b8d-9324-e8edf86cf92b";

} // namespace

void COptimizer::GetFolderOfPath(const char* modulePath, char* folder)
{
    // The caller's buffer holds MAX_PATH bytes. A longer folder is not cut to fit: a cut path
    // names some other folder, so the caller gets the empty text instead.
    // A byte search is safe in code page 949: a backslash is never the second byte of a
    // double-byte character there.
    folder[0] = '\0';
    const char* end = std::strrchr(modulePath, '\\');
    const size_t length = end ? static_cast<size_t>(end - modulePath) : std::strlen(modulePath);
    if (length >= MAX_PATH)
        return;
    std::memcpy(folder, modulePath, length);
    folder[length] = '\0';
}

void COptimizer::GetProgramFolder(char* folder)
{
    char path[1041] = {};
    const DWORD length = ::GetModuleFileNameA(nullptr, path, sizeof(path));
    // A full buffer means the name was cut.
    if (length == 0 || length >= sizeof(path))
    {
        folder[0] = '\0';
        return;
    }
    GetFolderOfPath(path, folder);
}

void COptimizer::InstallPowerPlan()
{
    char folder[MAX_PATH] = {};
    GetProgramFolder(folder);
    InstallPowerPlan(folder);
}

void COptimizer::InstallPowerPlan(const char* programFolder)
{
    // Without the whole folder there is no plan file to name: importing from a cut or empty path
    // would read some other file. Nor can a folder with a double quote be named: it would end the
    // quoted path and hand the rest of it to powercfg as arguments of their own (a full-width
    // quotation mark in a folder name becomes one in the ANSI path on code pages that map it to
    // its nearest character). The activation still runs, for a plan imported earlier.
    const bool passable = programFolder && programFolder[0] && !std::strchr(programFolder, '"');
    char parameters[MAX_PATH] = {};
    const bool named =
        passable &&
        fw::FormatText(parameters, sizeof(parameters),
                       "-IMPORT \"%s\\velo-ssd.cfg\" b152c1ee-6d00-4b8d-9324-e8edf86cf92b",
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
