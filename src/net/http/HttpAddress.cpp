#include "HttpAddress.h"

#include <algorithm>

namespace
{

constexpr DWORD kMaxNameLength = INTERNET_MAX_URL_LENGTH; // 2084 characters

} // namespace

bool SplitUrl(const CWinInetLibrary& wininet, const char* url, CUrlParts& parts)
{
    if (!url)
        return false;
    std::string canonical(kMaxNameLength * 3 + 1, '\0');
    DWORD length = static_cast<DWORD>(canonical.size());
    if (!wininet.InternetCanonicalizeUrlA(url, &canonical[0], &length, ICU_BROWSER_MODE))
    {
        if (::GetLastError() != ERROR_INSUFFICIENT_BUFFER)
            return false;
        canonical.assign(length + 1, '\0');
        length = static_cast<DWORD>(canonical.size());
        if (!wininet.InternetCanonicalizeUrlA(url, &canonical[0], &length, ICU_BROWSER_MODE))
            return false;
    }
    canonical.resize(length);

    char server[kMaxNameLength + 1] = {};
    char path[kMaxNameLength + 1] = {};
    char extra[kMaxNameLength + 1] = {};
    URL_COMPONENTSA components = {};
    components.dwStructSize = sizeof(components);
    components.lpszHostName = server;
    components.dwHostNameLength = kMaxNameLength + 1;
    components.lpszUrlPath = path;
    components.dwUrlPathLength = kMaxNameLength + 1;
    components.lpszExtraInfo = extra;
    components.dwExtraInfoLength = kMaxNameLength + 1;
    if (!wininet.InternetCrackUrlA(canonical.c_str(), 0, 0, &components))
        return false;
    parts.canonical = canonical;
    parts.server = server;
    parts.object = std::string(path) + extra;
    parts.object.erase(std::min(parts.object.find('#'), parts.object.size()));
    if (parts.server.empty() || parts.object.size() > kMaxNameLength)
        return false;
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return parts.secure || components.nScheme == INTERNET_SCHEME_HTTP;
}
