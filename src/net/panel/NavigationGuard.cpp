#include "NavigationGuard.h"

#include <cwchar>

namespace panelguard
{

namespace
{

bool IsAsciiAlpha(wchar_t c)
{
    return (c >= L'a' && c <= L'z') || (c >= L'A' && c <= L'Z');
}

bool IsDigit(wchar_t c)
{
    return c >= L'0' && c <= L'9';
}

// The text from..to in ASCII lower case; false when it holds anything else (an address the
// browser would turn into another form first is not ours to read).
bool LowerAscii(const wchar_t* from, const wchar_t* to, std::string& out)
{
    out.clear();
    for (; from < to; ++from)
    {
        if (*from <= L' ' || *from > 0x7E)
            return false;
        const char c = static_cast<char>(*from);
        out += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    }
    return !out.empty();
}

} // namespace

bool CNavigationGuard::ReadOrigin(const wchar_t* url, Origin& origin)
{
    if (!url || !IsAsciiAlpha(url[0]))
        return false;
    const wchar_t* p = url;
    while (IsAsciiAlpha(*p) || IsDigit(*p) || *p == L'+' || *p == L'-' || *p == L'.')
        ++p;
    if (p[0] != L':' || p[1] != L'/' || p[2] != L'/' || !LowerAscii(url, p, origin.scheme))
        return false;
    // Only the web: a file share, say, written with a port ("file://host:445/x") is no origin.
    if (origin.scheme != "http" && origin.scheme != "https")
        return false;
    // The browser ends the authority at a backslash as at a slash: so do we, or
    // "http://elsewhere\@our.host/" would pass for our host.
    const wchar_t* host = p + 3;
    const wchar_t* end = host;
    while (*end && *end != L'/' && *end != L'\\' && *end != L'?' && *end != L'#')
        ++end;
    for (const wchar_t* q = host; q < end; ++q) // user information is not the host
        if (*q == L'@')
            host = q + 1;

    const wchar_t* hostEnd = host;
    if (*host == L'[') // an IPv6 address
    {
        while (hostEnd < end && *hostEnd != L']')
            ++hostEnd;
        if (hostEnd == end)
            return false;
        ++hostEnd;
    }
    else
    {
        while (hostEnd < end && *hostEnd != L':')
            ++hostEnd;
    }
    if (!LowerAscii(host, hostEnd, origin.host) || origin.host == "[]")
        return false;
    if (hostEnd < end && *hostEnd != L':')
        return false;

    const wchar_t* port = hostEnd < end ? hostEnd + 1 : end;
    if (port == end) // no port, or an empty one: the scheme's own
    {
        origin.port = origin.scheme == "http" ? 80 : 443;
        return true;
    }
    if (end - port > 5)
        return false;
    unsigned number = 0;
    for (; port < end; ++port)
    {
        if (!IsDigit(*port))
            return false;
        number = number * 10 + static_cast<unsigned>(*port - L'0');
    }
    if (number > 65535)
        return false;
    origin.port = number;
    return true;
}

bool CNavigationGuard::OnOrigin(const wchar_t* url) const
{
    Origin origin;
    if (!ReadOrigin(url, origin) || (m_secure && origin.scheme != "https"))
        return false;
    return !m_fixed || (origin.scheme == m_origin.scheme && origin.host == m_origin.host &&
                        origin.port == m_origin.port);
}

bool CNavigationGuard::Allow(const wchar_t* url)
{
    if (m_closed || !OnOrigin(url))
        return false;
    Origin start;
    if (!m_started && ReadOrigin(url, start))
    {
        m_started = true;
        m_secure = start.scheme == "https";
    }
    return true;
}

bool CNavigationGuard::Completed(const wchar_t* url, bool page, bool failed)
{
    if (url && std::wcscmp(url, L"about:blank") == 0)
        return !m_closed;
    m_closed = m_closed || !OnOrigin(url) || (failed && page && !m_fixed);
    // A frame of the first page may have come from anywhere on the web; only where the page
    // itself ended is ours.
    if (!m_closed && !m_fixed && page)
        m_fixed = ReadOrigin(url, m_origin);
    return !m_closed;
}

} // namespace panelguard
