// What the advertisement panel lets its page do. The program runs elevated and the browser
// renders the page inside our process, so the page is shown and never run: it keeps to the
// scheme it was given (https stays https) and to the origin its first load ended on, opens no
// new windows, downloads no files, and (through the
// host's ambient properties and security manager) runs no scripts, ActiveX controls, Java or
// binary behaviours.
#pragma once

#include "NavigationGuard.h"

#include <windows.h>
#include <oaidl.h>

namespace panelguard
{

// The download-control flags the panel's host answers for the browser: images, videos and
// background sounds as usual, but no scripts, ActiveX controls, Java or binary behaviours, no
// dialogs of the engine's own, and every load from the server, never from the cache (which any
// program of the user can write to).
extern const LONG kDownloadControl;

// The Navigate2 flags of the panel's own page: neither read from the cache nor kept there, since
// a cache entry for its address is something any program of the user can plant.
extern const LONG kPageNavigation;

// The browser's event interface (DWebBrowserEvents2).
extern const IID kDiidWebBrowserEvents2;

// What the event sink posts to the panel's window when a load ended off the page's origin: the
// panel lets go of the browser and stays empty.
const UINT kEmptyPanel = WM_APP + 1;

// An event sink for the browser with its own CNavigationGuard: cancels refused navigations, every
// new window and every download that is not a document; for a load that ended off the origin,
// and for a first load of the page that failed, it cancels the engine's error page and posts
// kEmptyPanel to `panel`. `browser` is the
// control's identity (its IUnknown), by which a load of the page itself is told from a frame's;
// it is only compared, never called. One reference for the caller.
HRESULT CreateEventSink(HWND panel, IUnknown* browser, IDispatch** sink);

// The ambient properties the panel adds to the host's: the download control (kDownloadControl,
// as VT_I4) and silent (TRUE: the engine raises no box and no prompt of its own, for a failed
// page or a server asking for a password); every other property is left to the host. One
// reference for the caller.
HRESULT CreateAmbient(IDispatch** ambient);

// How many of the two kinds of objects above are alive in the process.
LONG LiveObjects();

} // namespace panelguard
