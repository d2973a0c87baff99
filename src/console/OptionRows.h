// The option rows of the main dialog: which radio buttons form a row, which one is recommended,
// what the apply sequence does for the selection and which marker it writes afterwards.
#pragma once

#include <windows.h>

// What the apply sequence does for a row's selection.
enum class OptionStep
{
    PagingFile,  // first..last button: mode 0, 1, 2
    Service,     // first button: enable the service, second: disable it
    Trim,        // first button: enable delete notification, second: nothing
    LastAccess,  // first button: nothing, second: disable last-access stamps
    PowerPlan,   // first button: install the product's plan, second: back to Balanced
    Hibernation, // first button: on, second: off
    GuiBoot,     // first button: boot animation on, second: off (with redirection off)
};

struct OptionGroup
{
    int captionId; // caption label of the row
    int firstId;   // radio buttons firstId..lastId, left to right
    int lastId;
    int recommendedId; // checked at start and by "[추천 설정]"
    OptionStep step;
    const char* service; // service name of a Service row
    const char* marker;  // debugger output after the row's step
    bool needsVista;     // the row exists only on Windows Vista or later
};

// The one table of the rows, from top to bottom of the dialog (OptionRows.cpp): it drives the
// recommended choice, the apply and the markers; whatever counts the rows takes the count from
// here.
constexpr int kOptionRowCount = 9;
extern const OptionGroup kOptionRows[kOptionRowCount];
// The order in which the apply sequence runs the rows (indices into kOptionRows).
extern const int kApplyOrder[kOptionRowCount];

// The selection of a row: the first checked button in its range, 0 when none is checked.
int GetRowSelection(HWND dialog, const OptionGroup& row);

// 1 when the operating system's major version is 6 or higher.
int IsVistaOrLater();

// Test seam: the version query IsVistaOrLater uses (GetVersionExA by default).
using GetVersionExAFn = BOOL(WINAPI*)(OSVERSIONINFOA*);
extern GetVersionExAFn g_pfnGetVersionExA;
