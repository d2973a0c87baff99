#include "Optimizer.h"

int COptimizer::IsAhciMode()
{
    return 0;
}

int COptimizer::SetPagingFile(int)
{
    return 1;
}

int COptimizer::EnableService(const char*)
{
    return 1;
}

int COptimizer::DisableService(const char*)
{
    return 1;
}

void COptimizer::InstallPowerPlan()
{
}

void COptimizer::RemovePowerPlan()
{
}

void COptimizer::GetProgramFolder(char* folder)
{
    folder[0] = '\0';
}
