// One HTTP GET of one address, the body handed back as 8-bit text.
#pragma once

#include <string>

class CWinInetLibrary;

class CHttpTextClient
{
public:
    // 1 on success with the body, read to its end and cut at 4 KiB, in text; 0 on failure (text
    // untouched, except for a body cut at a zero byte, which gives 0 and the text up to that
    // byte). A body shorter than its announced length is a failure.
    int DownloadText(const char* url, std::string& text);
    // The same through a WinINet the caller loaded (tests record its calls).
    int DownloadText(const CWinInetLibrary& wininet, const char* url, std::string& text);

    // DownloadText on a thread of its own, waited for at most timeoutMs. A download that has
    // not finished by then counts as failed; it never touches text or anything else afterwards,
    // and its connection is closed so that its thread ends soon.
    int DownloadTextWithin(const char* url, std::string& text, unsigned long timeoutMs);

    // Download threads that have not ended yet, late ones included.
    static long PendingDownloads();
};
