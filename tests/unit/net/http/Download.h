// One download of the update check's text, as the tests of the download make it: the result and
// the caller's text, which starts as a sentinel that only a success may replace.
#pragma once

#include "net/http/HttpTextClient.h"

#include <string>

namespace downloadtest
{

constexpr char kSentinel[] = "caller's text";

struct Download
{
    int result;
    std::string text;
};

// bounded: DownloadTextWithin, 10 s; otherwise DownloadText.
inline Download Get(const std::string& url, bool bounded = false)
{
    Download d{-1, kSentinel};
    CHttpTextClient client;
    d.result = bounded ? client.DownloadTextWithin(url.c_str(), d.text, 10000)
                       : client.DownloadText(url.c_str(), d.text);
    return d;
}

} // namespace downloadtest
