#include "Restart.h"

RestartCalls g_restartCalls = {&::OpenProcessToken, &::AdjustTokenPrivileges, &::ExitWindowsEx};
