// What a control is heard as by a screen reader, where the system's own description of it falls
// short: its name, role, state and default action laid over the system's standard proxy, which
// keeps everything else (position, focus, navigation).
#pragma once

#include "Text.h"
#include "Wnd.h"

#include <windows.h>

#include <vector>

namespace fw
{

struct AccessibleFacts
{
    WideText name;                          // empty: the proxy's (the window text)
    long role = 0;                          // 0: the proxy's
    long addState = 0;                      // state bits added to the proxy's
    long removeState = 0;                   // state bits taken from the proxy's
    const wchar_t* defaultAction = nullptr; // null: the proxy's
    // The default action clicks the control: its parent gets the click notification.
    bool clickOnDefaultAction = false;
};

// The answer to WM_GETOBJECT for `hwnd`: for the client object, the proxy with `facts` laid over
// it; *handled is false for any other object (and where the accessibility library is missing), and
// the message then goes to the default processing.
LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts,
                        bool* handled);

// A control of a dialog that draws as before and is heard as `facts` say.
class CNamedControl : public CWnd
{
public:
    AccessibleFacts m_facts;

protected:
    LRESULT WindowProc(UINT msg, WPARAM wParam, LPARAM lParam) override;
};

} // namespace fw
