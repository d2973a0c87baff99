#include "HttpTextClient.h"

#include "WinInetLibrary.h"
#include "framework/CriticalSection.h"
#include "framework/WinApp.h"

#include <process.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

namespace
{

// Sent twice: as request headers and, the same 123 bytes, as the request body; the update
// service has always been called this way.
const char kHeaderText[] = "Accept:text/html, application/xhtml+xml, */*\r\n"
                           "User-Agent:Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2; "
                           "Trident/6.0)\r\n";
constexpr DWORD kHeaderLength = sizeof(kHeaderText) - 1;
static_assert(kHeaderLength == 123, "the header text is 123 bytes on the wire");

constexpr DWORD kMaxNameLength = INTERNET_MAX_URL_LENGTH; // 2084 characters
constexpr DWORD_PTR kContext = 1;

std::atomic<long> g_pendingDownloads{0};

struct CUrlParts
{
    std::string server;
    std::string object; // path and query
    INTERNET_PORT port = 0;
    bool secure = false;
};

// Redirections are followed here rather than by the platform: a server that redirects to itself
// forever would otherwise keep a download that was given up running for the life of the program.
constexpr int kMaxRedirects = 10;

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
    parts.server = server;
    parts.object = std::string(path) + extra;
    if (parts.object.size() > kMaxNameLength)
        return false;
    parts.port = components.nPort;
    parts.secure = components.nScheme == INTERNET_SCHEME_HTTPS;
    return parts.secure || components.nScheme == INTERNET_SCHEME_HTTP;
}

bool IsRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// The address a redirection leads to, from its Location header and the address it came from.
std::string RedirectTarget(const CUrlParts& parts, const std::string& location)
{
    if (location.find("://") != std::string::npos)
        return location;
    std::string origin =
        (parts.secure ? "https://" : "http://") + parts.server + ":" + std::to_string(parts.port);
    if (!location.empty() && location[0] == '/')
        return origin + location;
    // Relative to the folder of the address it came from.
    std::string path = parts.object.substr(0, parts.object.find('?'));
    return origin + path.substr(0, path.rfind('/') + 1) + location;
}

// The executable's file name without its extension.
std::string AgentName()
{
    if (fw::CWinApp* app = fw::AfxGetApp())
    {
        if (app->GetAppName()[0])
            return app->GetAppName();
    }
    char path[MAX_PATH] = {};
    DWORD length = ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "DADAROR";
    const char* base = std::strrchr(path, '\\');
    std::string name = base ? base + 1 : path;
    size_t dot = name.rfind('.');
    if (dot != std::string::npos)
        name.resize(dot);
    return name;
}

// The internet handles of one download. The download uses them on its own thread; when a bound
// wait gives up, the waiting thread closes them to break off a call that hangs. The lock makes
// sure that each handle is closed exactly once, by one side, and that the download starts no
// call on a handle after it has been closed.
class CInternetHandles
{
public:
    enum Slot
    {
        Session,
        Connection,
        Request,
        SlotCount
    };

    explicit CInternetHandles(const CWinInetLibrary& wininet) : m_wininet(wininet) {}
    CInternetHandles(const CInternetHandles&) = delete;
    CInternetHandles& operator=(const CInternetHandles&) = delete;
    ~CInternetHandles() { CloseAll(); }

    // Takes a freshly opened handle; false when it is null or the download was given up (the
    // handle is then closed at once).
    bool Keep(Slot slot, HINTERNET handle)
    {
        if (!handle)
            return false;
        fw::CLockGuard guard(m_lock);
        if (m_abandoned)
        {
            m_wininet.InternetCloseHandle(handle);
            return false;
        }
        m_handles[slot] = handle;
        return true;
    }

    // The handle for the next call; null once the download was given up.
    HINTERNET Use(Slot slot)
    {
        fw::CLockGuard guard(m_lock);
        return m_abandoned ? nullptr : m_handles[slot];
    }

    // Request, then connection, then session.
    void CloseAll()
    {
        fw::CLockGuard guard(m_lock);
        CloseAllLocked();
    }

    // Closes one handle now (a connection or request replaced by the next redirection).
    void Close(Slot slot)
    {
        fw::CLockGuard guard(m_lock);
        if (m_handles[slot])
            m_wininet.InternetCloseHandle(m_handles[slot]);
        m_handles[slot] = nullptr;
    }

    // Gives the download up: every handle is closed now, and none is used or kept afterwards.
    void Abandon()
    {
        fw::CLockGuard guard(m_lock);
        m_abandoned = true;
        CloseAllLocked();
    }

private:
    void CloseAllLocked()
    {
        for (int slot = SlotCount - 1; slot >= 0; --slot)
        {
            if (m_handles[slot])
                m_wininet.InternetCloseHandle(m_handles[slot]);
            m_handles[slot] = nullptr;
        }
    }

    const CWinInetLibrary& m_wininet;
    fw::CCriticalSection m_lock;
    bool m_abandoned = false;
    HINTERNET m_handles[SlotCount] = {};
};

// The download itself. body receives the text only on the paths where the caller's text is
// meant to change; the handles are left to the caller to close. A bounded download passes its
// bound as receiveTimeoutMs (0 keeps the platform's time-outs): no single wait for the server
// can then outlast the bound by much, even where closing the handles does not break it off.
int Download(const CWinInetLibrary& wininet, CInternetHandles& handles, const char* url,
             const std::string& agent, DWORD receiveTimeoutMs, std::optional<std::string>& body)
{
    using H = CInternetHandles;
    CUrlParts parts;
    if (!SplitUrl(wininet, url, parts))
        return 0;

    char headers[kHeaderLength + 1];
    std::memcpy(headers, kHeaderText, sizeof(headers));

    if (!handles.Keep(H::Session, wininet.InternetOpenA(agent.c_str(), INTERNET_OPEN_TYPE_PRECONFIG,
                                                        nullptr, nullptr, 0)))
        return 0;

    std::string current = url;
    HINTERNET request = nullptr;
    for (int hop = 0;; ++hop)
    {
        handles.Close(H::Request);
        handles.Close(H::Connection);
        HINTERNET session = handles.Use(H::Session);
        if (!session || !handles.Keep(H::Connection,
                                      wininet.InternetConnectA(session, parts.server.c_str(),
                                                               parts.port, nullptr, nullptr,
                                                               INTERNET_SERVICE_HTTP, 0, kContext)))
            return 0;

        HINTERNET connection = handles.Use(H::Connection);
        DWORD flags = INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_AUTO_REDIRECT |
                      (parts.secure ? INTERNET_FLAG_SECURE : 0);
        if (!connection ||
            !handles.Keep(H::Request,
                          wininet.HttpOpenRequestA(connection, "GET", parts.object.c_str(), nullptr,
                                                   nullptr, nullptr, flags, kContext)))
            return 0;

        request = handles.Use(H::Request);
        if (request && receiveTimeoutMs != 0)
            wininet.InternetSetOptionA(request, INTERNET_OPTION_RECEIVE_TIMEOUT, &receiveTimeoutMs,
                                       sizeof(receiveTimeoutMs));
        if (!request ||
            !wininet.HttpSendRequestA(request, headers, kHeaderLength, headers, kHeaderLength))
            return 0;

        // Without a status there is nothing to tell a page from an error page: a failure.
        char status[80] = {};
        DWORD statusLength = sizeof(status);
        request = handles.Use(H::Request);
        if (!request || !wininet.HttpQueryInfoA(request, HTTP_QUERY_STATUS_CODE, status,
                                                &statusLength, nullptr))
            return 0;
        status[sizeof(status) - 1] = '\0';
        const long code = std::strtol(status, nullptr, 10);
        if (!IsRedirect(code))
        {
            if (code >= 400)
                return 0;
            break;
        }

        // A redirection: follow it, as a browser would, but only so far.
        char location[kMaxNameLength + 1] = {};
        DWORD locationLength = kMaxNameLength;
        if (hop >= kMaxRedirects || !wininet.HttpQueryInfoA(request, HTTP_QUERY_LOCATION, location,
                                                            &locationLength, nullptr))
            return 0;
        location[kMaxNameLength] = '\0';
        current = RedirectTarget(parts, location);
        if (!SplitUrl(wininet, current.c_str(), parts))
            return 0;
    }

    DWORD available = 0;
    request = handles.Use(H::Request);
    if (!request || !wininet.InternetQueryDataAvailable(request, &available, 0, 0))
        available = 0;

    // One read of what is there now; the answers of the update service are a few bytes.
    std::string text(available, '\0');
    DWORD read = 0;
    if (available > 0)
    {
        request = handles.Use(H::Request);
        if (!request || !wininet.InternetReadFile(request, &text[0], available, &read))
            return 0;
    }
    text.resize(read < available ? read : available);
    text.resize(std::strlen(text.c_str()));
    int result = read == text.size() ? 1 : 0;
    body = std::move(text);
    return result;
}

// What the download thread and the waiting thread share; it lives as long as either needs it.
struct CDownloadJob
{
    CWinInetLibrary wininet;
    CInternetHandles handles{wininet};
    std::string url;
    std::string agent;
    DWORD timeoutMs = 0;
    int result = 0;
    std::optional<std::string> body;
};

unsigned __stdcall DownloadThread(void* parameter)
{
    {
        std::unique_ptr<std::shared_ptr<CDownloadJob>> owner(
            static_cast<std::shared_ptr<CDownloadJob>*>(parameter));
        CDownloadJob& job = **owner;
        try
        {
            job.result = Download(job.wininet, job.handles, job.url.c_str(), job.agent,
                                  job.timeoutMs, job.body);
        }
        catch (...)
        {
            // Out of memory on this thread is a failed download, not the end of the program.
            job.result = 0;
            job.body.reset();
        }
        job.handles.CloseAll();
    }
    --g_pendingDownloads;
    return 0;
}

} // namespace

int CHttpTextClient::DownloadText(const char* url, std::string& text)
{
    CWinInetLibrary wininet;
    if (!wininet.Load())
        return 0;
    CInternetHandles handles(wininet);
    std::optional<std::string> body;
    int result = Download(wininet, handles, url, AgentName(), 0, body);
    handles.CloseAll();
    if (body)
        text = std::move(*body);
    return result;
}

int CHttpTextClient::DownloadTextWithin(const char* url, std::string& text, unsigned long timeoutMs)
{
    if (!url)
        return 0;
    auto job = std::make_shared<CDownloadJob>();
    if (!job->wininet.Load())
        return 0;
    job->url = url;
    job->agent = AgentName();
    job->timeoutMs = timeoutMs == INFINITE ? 0 : timeoutMs;

    auto* threadShare = new std::shared_ptr<CDownloadJob>(job);
    ++g_pendingDownloads;
    fw::CKernelHandle thread(reinterpret_cast<HANDLE>(
        ::_beginthreadex(nullptr, 0, DownloadThread, threadShare, 0, nullptr)));
    if (!thread)
    {
        --g_pendingDownloads;
        delete threadShare;
        return 0;
    }

    // A plain wait: nothing of the window may run while the dialog is not yet shown.
    if (::WaitForSingleObject(thread.Get(), timeoutMs) != WAIT_OBJECT_0)
    {
        job->handles.Abandon();
        return 0;
    }
    if (job->body)
        text = std::move(*job->body);
    return job->result;
}

long CHttpTextClient::PendingDownloads()
{
    return g_pendingDownloads.load();
}
