// What the advertisement panel lets its page do. The program runs elevated and the browser
// renders the page inside our process, so the page keeps to the origin it was loaded from: no
// navigation to another scheme, host or port, no new windows, no file downloads, and (through
// the host's ambient properties) no ActiveX controls, Java or binary behaviours.
#pragma once

#include "NavigationGuard.h"

#include <windows.h>
#include <oaidl.h>

namespace panelguard
{

// The download-control flags the panel's host answers for the browser: images, videos and
// background sounds as usual (scripts stay on), but no ActiveX controls, Java or binary
// behaviours.
extern const LONG kDownloadControl;

// The browser's event interface (DWebBrowserEvents2).
extern const IID kDiidWebBrowserEvents2;

// An event sink for the browser with its own CNavigationGuard: cancels refused navigations, every
// new window and every download that is not a document. One reference for the caller.
HRESULT CreateEventSink(IDispatch** sink);

// The ambient properties the panel adds to the host's: the download control (kDownloadControl,
// as VT_I4); every other property is left to the host. One reference for the caller.
HRESULT CreateAmbient(IDispatch** ambient);

// How many of the two kinds of objects above are alive in the process.
LONG LiveObjects();

} // namespace panelguard
