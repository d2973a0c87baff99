// Resource ids. The numbers are part of the program's outside view: tests and tools find the
// controls by them.
#pragma once

// About box
#define IDD_ABOUTBOX 100
#define IDS_ABOUTBOX 101

// Main dialog
#define IDD_SSD_DIALOG 102
#define IDR_MAINFRAME 128

// Progress window
#define IDD_PROGRESS 141

// Skinned button faces: the first of each pair is shown under the pointer or while held
#define IDB_CLOSE_NORMAL 143
#define IDB_CLOSE_HOVER 144
#define IDB_MINIMIZE_NORMAL 145
#define IDB_MINIMIZE_HOVER 146
#define IDB_APPLY_NORMAL 147
#define IDB_APPLY_HOVER 148
#define IDB_LOGO 149

// Main dialog controls
#define IDC_AHCI_STATE 1000
#define IDC_CAPTION_VMEM 1001
#define IDC_VMEM_SYSTEM 1002
#define IDC_VMEM_REDUCED 1003
#define IDC_VMEM_OFF 1004
#define IDC_WSEARCH_ON 1005
#define IDC_WSEARCH_OFF 1006
#define IDC_CAPTION_WSEARCH 1007
#define IDC_SYSMAIN_ON 1008
#define IDC_SYSMAIN_OFF 1009
#define IDC_CAPTION_SYSMAIN 1010
#define IDC_CAPTION_TRIM 1011
#define IDC_TRIM_ON 1012
#define IDC_TRIM_OFF 1013
#define IDC_CAPTION_LASTACCESS 1014
#define IDC_LASTACCESS_ON 1015
#define IDC_LASTACCESS_OFF 1016
#define IDC_CAPTION_HIBERNATE 1017
#define IDC_HIBERNATE_ON 1018
#define IDC_HIBERNATE_OFF 1019
#define IDC_CAPTION_DEFRAG 1020
#define IDC_DEFRAG_ON 1021
#define IDC_DEFRAG_OFF 1022
#define IDC_TEXT_AHCI 1023
#define IDC_TEXT_VMEM 1024
#define IDC_TEXT_WSEARCH 1025
#define IDC_TEXT_SYSMAIN 1026
#define IDC_LINK_POWER 1027
#define IDC_LINK_BLOG 1028
#define IDC_APPLY 1029
#define IDC_LINK_AHCI_SEARCH 1030
#define IDC_POWER_ON 1031
#define IDC_POWER_OFF 1032
#define IDC_MINIMIZE 1034
#define IDC_CLOSE 1035
#define IDC_BROWSER 1037
#define IDC_PROGRESS_TEXT 1038
#define IDC_LINK_RECOMMENDED 1039
#define IDC_RECOMMENDED_NOTE 1040
#define IDC_GUIBOOT_ON 1041
#define IDC_GUIBOOT_OFF 1042
#define IDC_CAPTION_GUIBOOT 1043
#define IDC_TITLE 1044
#define IDC_LOGO 1045

// System menu entry of the About box
#define IDM_ABOUTBOX 0x0010
