// Which addresses the advertisement panel may navigate to: text only, no platform call, so that
// it builds anywhere.
#pragma once

#include <string>

namespace panelguard
{

// Decides the panel's navigations. The first address with a readable origin (scheme, host,
// port) is allowed and fixes the origin; after it only addresses of that origin are. Scheme and
// host compare without regard to case, a missing port is the scheme's default (http 80, https
// 443), user information is ignored. An address whose origin cannot be read is refused.
class CNavigationGuard
{
public:
    bool Allow(const wchar_t* url);

private:
    struct Origin
    {
        std::string scheme;
        std::string host;
        unsigned port = 0;
    };
    static bool ReadOrigin(const wchar_t* url, Origin& origin);

    Origin m_origin;
    bool m_fixed = false;
};

} // namespace panelguard
