// What the advertisement panel lets its page do. The program runs elevated and the browser
// renders the page inside our process, so the page is shown and never run: it keeps to the
// origin its first load ended on, opens no new windows, downloads no files, and (through the
// host's ambient properties and security manager) runs no scripts, ActiveX controls, Java or
// binary behaviours.
#pragma once

#include <windows.h>
#include <oaidl.h>

#include <string>

namespace panelguard
{

// Decides the panel's navigations. Until the first load has ended, any address with a readable
// origin (scheme, host, port) is allowed: only our own request and the server's redirections of
// it navigate then. The address the first load ended on fixes the origin; after it only
// addresses of that origin are allowed, started or ended. Scheme and host compare without regard
// to case, a missing port is the scheme's default (http 80, https 443), user information is
// ignored. An address whose origin cannot be read is refused. Once a load has ended elsewhere
// the guard stays closed: nothing is allowed any more.
class CNavigationGuard
{
public:
    // A navigation about to start at url.
    bool Allow(const wchar_t* url);
    // A load (of the page or one of its frames) that ended at url, shown or failed; false when
    // the panel must be emptied. An empty frame ("about:blank") carries nothing and changes
    // nothing.
    bool Completed(const wchar_t* url);

private:
    struct Origin
    {
        std::string scheme;
        std::string host;
        unsigned port = 0;
    };
    static bool ReadOrigin(const wchar_t* url, Origin& origin);

    bool OnOrigin(const wchar_t* url) const;

    Origin m_origin;
    bool m_fixed = false;
    bool m_closed = false;
};

// The download-control flags the panel's host answers for the browser: images, videos and
// background sounds as usual, but no scripts, ActiveX controls, Java or binary behaviours, and
// no dialogs of the engine's own.
extern const LONG kDownloadControl;

// The browser's event interface (DWebBrowserEvents2).
extern const IID kDiidWebBrowserEvents2;

// What the event sink posts to the panel's window when a load ended off the page's origin: the
// panel lets go of the browser and stays empty.
const UINT kEmptyPanel = WM_APP + 1;

// An event sink for the browser with its own CNavigationGuard: cancels refused navigations, every
// new window and every download that is not a document; for a load that ended off the origin
// it cancels the engine's error page and posts kEmptyPanel to `panel`. One reference for the
// caller.
HRESULT CreateEventSink(HWND panel, IDispatch** sink);

// The ambient properties the panel adds to the host's: the download control (kDownloadControl,
// as VT_I4); every other property is left to the host. One reference for the caller.
HRESULT CreateAmbient(IDispatch** ambient);

// How many of the two kinds of objects above are alive in the process.
LONG LiveObjects();

} // namespace panelguard
