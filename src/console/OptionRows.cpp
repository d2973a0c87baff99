#include "OptionRows.h"

#include "resource.h"

#include <cstring>

const OptionGroup kOptionRows[9] = {
    {IDC_CAPTION_VMEM, IDC_VMEM_SYSTEM, IDC_VMEM_OFF, IDC_VMEM_SYSTEM, OptionStep::PagingFile,
     nullptr, "VMem", false},
    {IDC_CAPTION_WSEARCH, IDC_WSEARCH_ON, IDC_WSEARCH_OFF, IDC_WSEARCH_OFF, OptionStep::Service,
     "WSearch", "WSearch", false},
    {IDC_CAPTION_SYSMAIN, IDC_SYSMAIN_ON, IDC_SYSMAIN_OFF, IDC_SYSMAIN_OFF, OptionStep::Service,
     "SysMain", "SysMain", false},
    {IDC_CAPTION_TRIM, IDC_TRIM_ON, IDC_TRIM_OFF, IDC_TRIM_ON, OptionStep::Trim, nullptr, "trim",
     false},
    {IDC_CAPTION_LASTACCESS, IDC_LASTACCESS_ON, IDC_LASTACCESS_OFF, IDC_LASTACCESS_OFF,
     OptionStep::LastAccess, nullptr, "Lastfileaccess", false},
    {IDC_CAPTION_HIBERNATE, IDC_HIBERNATE_ON, IDC_HIBERNATE_OFF, IDC_HIBERNATE_OFF,
     OptionStep::Hibernation, nullptr, "hib", false},
    {IDC_CAPTION_DEFRAG, IDC_DEFRAG_ON, IDC_DEFRAG_OFF, IDC_DEFRAG_OFF, OptionStep::Service,
     "defragsvc", "diskfrag", false},
    {IDC_LINK_POWER, IDC_POWER_ON, IDC_POWER_OFF, IDC_POWER_ON, OptionStep::PowerPlan, nullptr,
     "power", false},
    {IDC_CAPTION_GUIBOOT, IDC_GUIBOOT_ON, IDC_GUIBOOT_OFF, IDC_GUIBOOT_OFF, OptionStep::GuiBoot,
     nullptr, "GUI BOOT", true},
};

// The power plan row runs before hibernation and defragmentation.
const int kApplyOrder[9] = {0, 1, 2, 3, 4, 7, 5, 6, 8};

GetVersionExAFn g_pfnGetVersionExA = &::GetVersionExA;

int GetRowSelection(HWND dialog, const OptionGroup& row)
{
    for (int id = row.firstId; id <= row.lastId; ++id)
    {
        if (::IsDlgButtonChecked(dialog, id) == BST_CHECKED)
            return id;
    }
    return 0;
}

int IsVistaOrLater()
{
    OSVERSIONINFOA info;
    std::memset(&info, 0, sizeof(info));
    info.dwOSVersionInfoSize = sizeof(info); // 148
    g_pfnGetVersionExA(&info);
    return info.dwMajorVersion >= 6 ? 1 : 0;
}
