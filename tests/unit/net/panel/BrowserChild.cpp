// The panel in a process that cannot load the browser container or the browser itself (the
// parent test switches the libraries off for this program's name): the dialog is still made, the
// panel stays an empty window and asks for nothing. Exit code 0 when all held, else the number of
// the first check that failed.
#include "BrowserRig.h"

#include "HttpTestServer.h"
#include "common/Wait.h"

int main()
{
    using namespace browsertest;
    OleScope ole;
    testsupport::CHttpTestServer server(
        testsupport::HttpAnswer(200, "<html><body>ad</body></html>"));
    if (!server.IsListening())
        return 10;
    MainTemplate dlg;
    if (!dlg.m_dialog)
        return 11; // the dialog must still be created
    if (!dlg.m_browser.m_hWnd)
        return 12;
    fw::CComPtr<IUnknown> control;
    if (browserhost::GetControl(dlg.m_browser.m_hWnd, control.Receive()) == S_OK)
        return 13; // the control could be had after all: the libraries were not switched off
    dlg.m_browser.MoveWindow(538, 51, 120, 600);
    NavigateTo(dlg.m_browser, server.Url("/"));
    dlg.m_browser.ShowWindow(SW_SHOW);
    ::ShowWindow(dlg.m_dialog, SW_SHOW);
    // A control would send its request at once from Navigate2 (the working panel's arrives within
    // milliseconds); there is no later event to wait for here, so half a second of messages.
    testsupport::PumpUntil([] { return false; }, 500);
    if (!server.Requests().empty())
        return 14;
    return ::IsWindow(dlg.m_browser.m_hWnd) ? 0 : 15;
}
