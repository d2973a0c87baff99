// Which addresses the advertisement panel may navigate to: text only, no platform call, so that
// it builds anywhere.
#pragma once

#include <string>

namespace panelguard
{

// Decides the panel's navigations. Only the web has an origin (scheme, host, port): an http or
// https address. The first navigation allowed is the program's own, to the configured address:
// when that is https, no http address is allowed from then on, the server's redirections
// included, so that nobody on the way can hand the panel a page. Until the page's first load has
// ended, any other web address is allowed: only our own request and the server's redirections of
// it navigate then. The address the page's first load ended on fixes the origin (a frame's load
// never does); after it only addresses of that origin are allowed, started or ended. A first load
// of the page that failed closes the guard: the engine's error page is not kept. Scheme and host
// compare without regard to case, a missing port is the scheme's default (http 80, https 443), user
// information is ignored. Any other address, of another scheme (with a port or without) or
// unreadable, is refused. Once a load has ended elsewhere the guard stays closed: nothing is
// allowed any more.
class CNavigationGuard
{
public:
    // A navigation about to start at url.
    bool Allow(const wchar_t* url);
    // A load that ended at url, shown or `failed`: of the page itself (`page`) or of one of its
    // frames; false when the panel must be emptied. An empty frame ("about:blank") carries
    // nothing and changes nothing.
    bool Completed(const wchar_t* url, bool page, bool failed = false);

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
    bool m_started = false;
    bool m_secure = false; // the configured address is https
    bool m_fixed = false;
    bool m_closed = false;
};

} // namespace panelguard
