// The configuration back-end of the main dialog: reads and changes the Windows settings that
// matter for an SSD. Every operation but IsAhciMode and NeedsReboot returns 1 whatever happened:
// a failed step never stops an apply.
#pragma once

class COptimizer
{
public:
    COptimizer() = default;

    // 1 when the storage controller runs in AHCI mode, 0 otherwise (also on every failure).
    int IsAhciMode();

    // Paging-file configuration: 0 system managed, 1 reduced, 2 none, for the drive of the
    // Windows directory. Raises the restart flag once the new paging-file list was written.
    int SetPagingFile(int mode);
    // The same for a given Windows directory (only its drive letter is used).
    int SetPagingFile(int mode, const char* windowsDirectory);
    int NeedsReboot() const { return m_bNeedReboot; }

    int EnableService(const char* name);
    int DisableService(const char* name);

    // Imports the product's power plan from the program folder and activates it.
    void InstallPowerPlan();
    // The same with the plan file taken from programFolder (no trailing backslash).
    void InstallPowerPlan(const wchar_t* programFolder);
    // Back to the Balanced plan, then the product's plan is deleted.
    void RemovePowerPlan();

    // The running executable's folder without a trailing backslash (buffer of MAX_PATH
    // characters), or an empty text when it cannot be had whole.
    static void GetProgramFolder(wchar_t* folder);
    // The folder part of a module path, as GetProgramFolder gives it.
    static void GetFolderOfPath(const wchar_t* modulePath, wchar_t* folder);

private:
    int m_bNeedReboot = 0;
};
