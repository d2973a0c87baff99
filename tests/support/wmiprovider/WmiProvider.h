// What the stand-in WMI (testwmi.dll) records of the calls it receives, for tests to check.
#pragma once

#include <windows.h>

// Disks delivered by the stand-in: Model values separated by '|', UTF-8; "<null>" is a disk
// whose Model is null. Read when a query runs. Unset: one disk "Acme Ssd 120G".
#define TEST_WMI_MODELS_VARIABLE "DADAROR_TEST_DISK_MODELS"

struct TestWmiRecord
{
    LONG liveObjects;      // objects handed out and not yet released
    LONG queries;          // ExecQuery calls
    wchar_t nameSpace[64]; // last ConnectServer resource
    wchar_t language[16];  // last ExecQuery language
    wchar_t query[128];    // last ExecQuery text
    LONG queryFlags;
    DWORD authnService; // last proxy blanket
    DWORD authnLevel;
    DWORD impLevel;
};

// Exported by testwmi.dll: the record of this process.
typedef TestWmiRecord*(WINAPI* TestWmiGetRecordProc)();
