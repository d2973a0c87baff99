#include "AboutDlg.h"

#include "resource.h"

CAboutDlg::CAboutDlg() : fw::CDialog(IDD_ABOUTBOX) {}
