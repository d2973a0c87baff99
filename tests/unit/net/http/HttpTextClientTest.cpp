// The text download against a scripted server on 127.0.0.1.
#include "HttpTestServer.h"
#include "Download.h"
#include "net/http/HttpTextClient.h"
#include "net/http/WinInetLibrary.h"

#include "framework/SystemLibrary.h"

#include <gtest/gtest.h>

#include <chrono>
#include <iostream>
#include <vector>

using namespace testsupport; // the server and its scripts

using namespace downloadtest;

namespace
{

const char kPath[] = "/prodline/version/version.asp?pname=ssd";
const std::string kHeaderText =
    "Accept:text/html, application/xhtml+xml, */*\r\n"
    "User-Agent:Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2; Trident/6.0)\r\n";

using Clock = std::chrono::steady_clock;

long MsSince(Clock::time_point start)
{
    return static_cast<long>(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// Waits until every download thread of the process has ended; the time it took, or -1.
long WaitForNoPendingDownloads(unsigned long timeoutMs)
{
    auto start = Clock::now();
    while (CHttpTextClient::PendingDownloads() != 0)
    {
        if (MsSince(start) > static_cast<long>(timeoutMs))
            return -1;
        ::Sleep(10);
    }
    return MsSince(start);
}

// The value of a header line as sent, whatever blank the client puts after the colon.
std::string HeaderValue(const std::string& request, const std::string& name)
{
    size_t at = request.find("\r\n" + name + ":");
    if (at == std::string::npos)
        return "<missing>";
    size_t begin = request.find_first_not_of(' ', at + name.size() + 3);
    return request.substr(begin, request.find("\r\n", begin) - begin);
}

// A download bounded to one second that must fail: the caller's text stays, and the call
// returns within the bound and some slack.
long ExpectFailureWithinASecond(const CHttpTestServer& server, std::string& text)
{
    auto start = Clock::now();
    int result = CHttpTextClient().DownloadTextWithin(server.Url(kPath).c_str(), text, 1000);
    long elapsed = MsSince(start);
    EXPECT_EQ(0, result);
    EXPECT_EQ(kSentinel, text);
    EXPECT_LT(elapsed, 1000 + 1500);
    return elapsed;
}

// What the update check sends, byte for byte: the request line, the two header lines (whatever
// blank the platform puts after their colons), and the same header text once more as the body.
TEST(HttpTextClient, RequestCarriesTheTwoHeaderLinesAndTheSameBytesAsBody)
{
    CHttpTestServer server(HttpAnswer(200, "1.4"));
    ASSERT_TRUE(server.IsListening());
    Download d = Get(server.Url(kPath));
    EXPECT_EQ(1, d.result);
    EXPECT_EQ("1.4", d.text);

    ASSERT_EQ(1u, server.Requests().size());
    const std::string request = server.Requests()[0];
    EXPECT_EQ(0u, request.find(std::string("GET ") + kPath + " HTTP/1.1\r\n")) << request;
    EXPECT_EQ("text/html, application/xhtml+xml, */*", HeaderValue(request, "Accept"));
    EXPECT_EQ("Mozilla/5.0 (compatible; MSIE 10.0; Windows NT 6.2; Trident/6.0)",
              HeaderValue(request, "User-Agent"));
    EXPECT_EQ("123", HeaderValue(request, "Content-Length"));
    size_t bodyAt = request.find("\r\n\r\n");
    ASSERT_NE(std::string::npos, bodyAt);
    EXPECT_EQ(kHeaderText, request.substr(bodyAt + 4));
}

TEST(HttpTextClient, EmptyBodyAndAnAnswerWithinTheBoundSucceed)
{
    CHttpTestServer server(HttpAnswer(200, ""));
    Download empty = Get(server.Url(kPath));
    EXPECT_EQ(1, empty.result);
    EXPECT_EQ("", empty.text);

    server.SetScript({HttpStep::Pause(200), HttpStep::Send(HttpHead(200, 3) + "1.5")});
    Download bounded = Get(server.Url(kPath), true);
    EXPECT_EQ(1, bounded.result);
    EXPECT_EQ("1.5", bounded.text);
}

// The body is read to its end, whether its length was announced or not, and cut at 4 KiB.
TEST(HttpTextClient, TheBodyIsReadWholeUpToItsBound)
{
    const std::string unannounced = "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n";
    for (const std::string& head : {HttpHead(200, 3), unannounced})
    {
        CHttpTestServer server(
            {HttpStep::Send(head + "1."), HttpStep::Pause(300), HttpStep::Send("4")});
        for (bool bounded : {false, true})
        {
            Download d = Get(server.Url(kPath), bounded);
            EXPECT_EQ(1, d.result) << head;
            EXPECT_EQ("1.4", d.text) << head;
        }
    }

    const std::string first = "1.4" + std::string(997, 'a');
    const std::string rest(4000, 'b');
    CHttpTestServer server({HttpStep::Send(HttpHead(200, first.size() + rest.size()) + first),
                            HttpStep::Pause(300), HttpStep::Send(rest)});
    Download d = Get(server.Url(kPath));
    EXPECT_EQ(1, d.result);
    EXPECT_EQ(4096u, d.text.size());
    EXPECT_TRUE(d.text == (first + rest).substr(0, 4096));
}

TEST(HttpTextClient, ZeroByteCutsTheBodyAndFails)
{
    CHttpTestServer server(HttpAnswer(200, std::string("1.\0"
                                                       "4",
                                                       4)));
    Download d = Get(server.Url(kPath));
    EXPECT_EQ(0, d.result);
    EXPECT_EQ("1.", d.text);

    Download bounded = Get(server.Url(kPath), true);
    EXPECT_EQ(0, bounded.result);
    EXPECT_EQ("1.", bounded.text);
}

TEST(HttpTextClient, FailuresLeaveTheCallersText)
{
    CHttpTestServer server;
    server.SetScriptFor("/404", HttpAnswer(404, "1.5"));
    server.SetScriptFor("/500", HttpAnswer(500, "1.5"));
    for (const char* path : {"/404", "/500"})
    {
        for (bool bounded : {false, true})
        {
            Download d = Get(server.Url(path), bounded);
            EXPECT_EQ(0, d.result) << path << (bounded ? " bounded" : "");
            EXPECT_EQ(kSentinel, d.text) << path << (bounded ? " bounded" : "");
        }
    }
    EXPECT_EQ(4u, server.Requests().size());

    const std::string refused =
        "http://127.0.0.1:" + std::to_string(CHttpTestServer::UnusedPort()) + kPath;
    for (const std::string& url : {refused, std::string("no address at all")})
    {
        Download d = Get(url);
        EXPECT_EQ(0, d.result) << url;
        EXPECT_EQ(kSentinel, d.text) << url;
        Download bounded = Get(url, true);
        EXPECT_EQ(0, bounded.result) << url;
        EXPECT_EQ(kSentinel, bounded.text) << url;
    }
}

// A server that accepts and never answers: the bounded call gives up on time, and its thread,
// whose connection is closed, ends soon after.
TEST(HttpTextClient, BoundedDownloadGivesUpOnASilentServer)
{
    CHttpTestServer server({HttpStep::Stall()});
    std::string text = kSentinel;
    const long elapsed = ExpectFailureWithinASecond(server, text);
    EXPECT_GE(elapsed, 990);

    long ended = WaitForNoPendingDownloads(20000);
    EXPECT_GE(ended, 0) << "the late download thread is still running";
    EXPECT_TRUE(server.WaitForClientCloses(1, 5000));
    EXPECT_EQ(kSentinel, text);
    std::cout << "silent server: call returned after " << elapsed
              << " ms (bound 1000 ms); late thread ended " << ended << " ms later\n";
}

// The answer comes, but after the bound: the caller has its failure by then, and the late answer
// changes nothing of the caller's text.
TEST(HttpTextClient, BoundedDownloadIgnoresALateAnswer)
{
    CHttpTestServer server({HttpStep::Pause(2500), HttpStep::Send(HttpHead(200, 3) + "9.9")});
    std::string text = kSentinel;
    const long elapsed = ExpectFailureWithinASecond(server, text);

    ASSERT_TRUE(server.WaitForFinished(1, 20000)) << "the server never got to its late answer";
    EXPECT_GE(WaitForNoPendingDownloads(20000), 0);
    EXPECT_EQ(kSentinel, text);
    std::cout << "slow server: call returned after " << elapsed << " ms (bound 1000 ms)\n";
}

// The flags of every request as the download hands them to the platform.
std::vector<DWORD> g_requestFlags;
decltype(&::HttpOpenRequestA) g_platformOpenRequest = nullptr;

HINTERNET WINAPI RecordOpenRequest(HINTERNET connection, LPCSTR verb, LPCSTR object, LPCSTR version,
                                   LPCSTR referrer, LPCSTR* accept, DWORD flags, DWORD_PTR context)
{
    g_requestFlags.push_back(flags);
    return g_platformOpenRequest(connection, verb, object, version, referrer, accept, flags,
                                 context);
}

template <typename F> F Bind(const char* name)
{
    return reinterpret_cast<F>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA("wininet.dll"), name)));
}

// Every hop of the check goes without cookies either way, without automatic authentication or a
// dialog of the platform, and past the cache: a cookie the platform holds for the server is not
// sent, one the server sets is not kept, and an answer that may be cached for an hour is neither
// kept nor served from there.
TEST(HttpTextClient, EveryHopGoesWithoutCookiesAuthenticationDialogsOrCache)
{
    CHttpTestServer server;
    server.SetScriptFor("/moved", HttpRedirect(302, kPath));
    server.SetScriptFor("/prodline",
                        {HttpStep::Send("HTTP/1.1 200 OK\r\nContent-Length: 3\r\n"
                                        "Cache-Control: public, max-age=3600\r\n"
                                        "Set-Cookie: kept=1; path=/\r\nConnection: close\r\n\r\n"
                                        "1.4")});
    CWinInetLibrary wininet;
    ASSERT_TRUE(wininet.Load());
    auto setCookie = Bind<decltype(&::InternetSetCookieA)>("InternetSetCookieA");
    auto getCookie = Bind<decltype(&::InternetGetCookieA)>("InternetGetCookieA");
    auto cacheEntry = Bind<decltype(&::GetUrlCacheEntryInfoA)>("GetUrlCacheEntryInfoA");
    ASSERT_TRUE(setCookie && getCookie && cacheEntry);
    ASSERT_TRUE(setCookie(server.Url("/").c_str(), "planted", "1"));

    g_requestFlags.clear();
    g_platformOpenRequest = wininet.HttpOpenRequestA;
    wininet.HttpOpenRequestA = &RecordOpenRequest;
    for (int round = 0; round < 2; ++round)
    {
        std::string text;
        EXPECT_EQ(1, CHttpTextClient().DownloadText(wininet, server.Url("/moved").c_str(), text));
        EXPECT_EQ("1.4", text);
    }

    const DWORD wanted = INTERNET_FLAG_NO_COOKIES | INTERNET_FLAG_NO_AUTH | INTERNET_FLAG_NO_UI |
                         INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE;
    ASSERT_EQ(4u, g_requestFlags.size());
    for (DWORD flags : g_requestFlags)
        EXPECT_EQ(wanted, flags & wanted) << std::hex << flags;

    ASSERT_EQ(4u, server.Requests().size()) << "an answer came from the cache";
    for (const std::string& request : server.Requests())
        EXPECT_EQ(std::string::npos, request.find("\r\nCookie:")) << request;
    char cookies[512] = {};
    DWORD size = sizeof(cookies);
    if (getCookie(server.Url("/").c_str(), nullptr, cookies, &size))
        EXPECT_EQ(std::string::npos, std::string(cookies).find("kept")) << cookies;
    DWORD entrySize = 0;
    EXPECT_FALSE(cacheEntry(server.Url(kPath).c_str(), nullptr, &entrySize));
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), ::GetLastError()) << "the answer is cached";
}

TEST(WinInetLibrary, ComesFromTheSystemFolderOnly)
{
    // Not imported: nothing has loaded it before the first use.
    EXPECT_EQ(nullptr, ::GetModuleHandleA("wininet.dll"));

    HMODULE module = fw::LoadSystemLibrary("wininet.dll");
    ASSERT_NE(nullptr, module);
    char path[MAX_PATH] = {};
    char system[MAX_PATH] = {};
    ::GetModuleFileNameA(module, path, MAX_PATH);
    UINT length = ::GetSystemDirectoryA(system, MAX_PATH);
    EXPECT_EQ(0, ::CompareStringA(LOCALE_INVARIANT, NORM_IGNORECASE, path, static_cast<int>(length),
                                  system, static_cast<int>(length)) -
                     CSTR_EQUAL)
        << path << " is not in " << system;
    ::FreeLibrary(module);

    EXPECT_EQ(nullptr, fw::LoadSystemLibrary("no-such-library-here.dll"));
}

} // namespace
