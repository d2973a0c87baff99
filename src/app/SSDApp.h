// The application: start-up, the single-instance guard and the modal run of the main dialog,
// which is the process's whole life.
#pragma once

#include "framework/WinApp.h"

class CSSDApp : public fw::CWinApp
{
public:
    CSSDApp() noexcept;

    BOOL InitInstance() override;
    int ExitInstance() override;
};
