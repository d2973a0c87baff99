// The About box, opened from the main dialog's system menu.
#pragma once

#include "framework/Dialog.h"

class CAboutDlg : public fw::CDialog
{
public:
    CAboutDlg();
};
