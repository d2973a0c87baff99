// Addresses of the update check: the split into what WinINet needs to connect and request, and
// the resolution of a redirection's Location against the address it came from.
#pragma once

#include "UrlReference.h"
#include "WinInetLibrary.h"

#include <string>

struct CUrlParts
{
    std::string canonical; // the whole address as the platform canonicalised it
    std::string server;
    std::string object; // path and query; a fragment is never sent
    INTERNET_PORT port = 0;
    bool secure = false;
};

// Splits an http or https address; false for anything else, for an address the platform cannot
// split, and for a server name or object name longer than 2084 characters.
bool SplitUrl(const CWinInetLibrary& wininet, const char* url, CUrlParts& parts);
