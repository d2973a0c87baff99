#include "HttpTextClient.h"

#include "HttpAddress.h"
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

// The check keeps nothing and sends nothing it need not: no cookies either way, no automatic
// authentication, no dialog of the platform, and the cache neither read nor written.
constexpr DWORD kRequestFlags = INTERNET_FLAG_EXISTING_CONNECT | INTERNET_FLAG_NO_AUTO_REDIRECT |
                                INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH |
                                INTERNET_FLAG_NO_UI | INTERNET_FLAG_RELOAD |
                                INTERNET_FLAG_NO_CACHE_WRITE;

std::atomic<long> g_pendingDownloads{0};

// Redirections are followed here rather than by the platform: a server that redirects to itself
// forever would otherwise keep a download that was given up running for the life of the program.
constexpr int kMaxRedirects = 10;

// The answer is a version number: a longer body is cut here, as a page of markup would be.
constexpr size_t kMaxBodyLength = 4096;

bool IsRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
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
// meant to change; the handles are left to the caller to close. A bounded download passes a
// receive time-out (0 keeps the platform's time-outs) so that its thread ends even where closing
// the handles does not break a wait off.
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
        const DWORD flags = kRequestFlags | (parts.secure ? INTERNET_FLAG_SECURE : 0);
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
        const std::string target = ResolveReference(parts.canonical, location);
        if (!SplitUrl(wininet, target.c_str(), parts))
            return 0;
    }

    // The body is read until the platform reports its end, however many pieces it comes in: a
    // version text cut after its first piece ("1." of "1.4") would announce a newer version. A
    // body that cannot be asked for or read (a connection reset after the headers) is a failed
    // download, not an empty answer, which would announce one too.
    std::string text;
    bool cut = false;
    for (;;)
    {
        DWORD available = 0;
        request = handles.Use(H::Request);
        if (!request || !wininet.InternetQueryDataAvailable(request, &available, 0, 0))
            return 0;
        if (available == 0)
            break;
        const size_t at = text.size();
        if (available > kMaxBodyLength - at)
            available = static_cast<DWORD>(kMaxBodyLength - at);
        text.resize(at + available);
        DWORD read = 0;
        request = handles.Use(H::Request);
        if (!request || !wininet.InternetReadFile(request, &text[at], available, &read))
            return 0;
        text.resize(at + (read < available ? read : available));
        if (read == 0)
            break;
        if (text.size() == kMaxBodyLength)
        {
            cut = true;
            break;
        }
    }

    // A body that ended before the length its server announced was cut off on the way.
    DWORD announced = 0;
    DWORD announcedSize = sizeof(announced);
    request = handles.Use(H::Request);
    if (!request)
        return 0;
    if (!cut &&
        wininet.HttpQueryInfoA(request, HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER,
                               &announced, &announcedSize, nullptr) &&
        text.size() < announced)
        return 0;

    const size_t received = text.size();
    text.resize(std::strlen(text.c_str()));
    int result = received == text.size() ? 1 : 0;
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
    DWORD receiveTimeoutMs = 0;
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
                                  job.receiveTimeoutMs, job.body);
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
    return DownloadText(wininet, url, text);
}

int CHttpTextClient::DownloadText(const CWinInetLibrary& wininet, const char* url,
                                  std::string& text)
{
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
    // Twice the bound: the caller's wait, not a race between two equal timers, decides when a
    // slow server has had its time; the platform's time-out only ends the thread afterwards.
    job->receiveTimeoutMs =
        timeoutMs == INFINITE || timeoutMs > INFINITE / 2 ? 0 : static_cast<DWORD>(timeoutMs * 2);

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
