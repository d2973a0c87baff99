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

    // Paging-file configuration: 0 system managed, 1 reduced, 2 none. Raises the restart flag
    // once a configuration was written.
    int SetPagingFile(int mode);
    int NeedsReboot() const { return m_bNeedReboot; }

    int EnableService(const char* name);
    int DisableService(const char* name);

    void InstallPowerPlan();
    void RemovePowerPlan();
    // The running executable's folder without a trailing backslash (buffer of MAX_PATH bytes),
    // or an empty text.
    static void GetProgramFolder(char* folder);

private:
    int m_bNeedReboot = 0;
};
