#include "HttpTestServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <chrono>
#include <cstring>

namespace testsupport
{

namespace
{

constexpr unsigned long kSliceMs = 20;

struct CWinsock
{
    CWinsock()
    {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
    }
    ~CWinsock() { ::WSACleanup(); }
};

void EnsureWinsock()
{
    static CWinsock winsock;
}

// Readable within ms? (Data, end of stream or an error all count as readable.)
bool Readable(SOCKET s, unsigned long ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return ::select(0, &set, nullptr, nullptr, &tv) == 1;
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; });
    return text;
}

size_t ContentLength(const std::string& head)
{
    std::string lower = Lower(head);
    size_t at = lower.find("\r\ncontent-length:");
    if (at == std::string::npos)
        return 0;
    return static_cast<size_t>(std::strtoul(lower.c_str() + at + 17, nullptr, 10));
}

const char* Reason(int status)
{
    switch (status)
    {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    default:
        return "Status";
    }
}

} // namespace

std::string HttpHead(int status, size_t bodyLength, const std::string& extraHeaders)
{
    return "HTTP/1.1 " + std::to_string(status) + " " + Reason(status) +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(bodyLength) +
           "\r\nConnection: close\r\n" + extraHeaders + "\r\n";
}

HttpScript HttpAnswer(int status, const std::string& body, const std::string& extraHeaders)
{
    return {HttpStep::Send(HttpHead(status, body.size(), extraHeaders) + body)};
}

CHttpTestServer::CHttpTestServer() : CHttpTestServer(HttpAnswer(404, "not found")) {}

CHttpTestServer::CHttpTestServer(HttpScript script) : CHttpTestServer(std::move(script), 0) {}

CHttpTestServer::CHttpTestServer(HttpScript script, unsigned short port)
    : m_defaultScript(std::move(script))
{
    EnsureWinsock();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (port != 0)
    {
        // A fixed port may still hold the connections of the last test in their closing wait.
        BOOL reuse = TRUE;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                     sizeof(reuse));
    }
    int length = sizeof(address);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(s, SOMAXCONN) != 0 ||
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) != 0)
    {
        ::closesocket(s);
        return;
    }
    m_listener = s;
    m_port = ntohs(address.sin_port);
    m_acceptThread = std::thread(&CHttpTestServer::AcceptLoop, this);
}

CHttpTestServer::~CHttpTestServer()
{
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    std::vector<std::thread> connections;
    {
        std::lock_guard<std::mutex> guard(m_lock);
        connections.swap(m_connections);
    }
    for (auto& t : connections)
        t.join();
    if (IsListening())
        ::closesocket(static_cast<SOCKET>(m_listener));
}

std::string CHttpTestServer::Url(const std::string& pathAndQuery) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + pathAndQuery;
}

void CHttpTestServer::SetScript(HttpScript script)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_defaultScript = std::move(script);
}

void CHttpTestServer::SetScriptFor(const std::string& prefix, HttpScript script)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_scripts[prefix] = std::move(script);
}

std::vector<std::string> CHttpTestServer::Requests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

bool CHttpTestServer::WaitFor(const size_t& counter, size_t count, unsigned long timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                              [&] { return counter >= count; });
}

bool CHttpTestServer::WaitForRequests(size_t count, unsigned long timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_requests.size() >= count; });
}

bool CHttpTestServer::WaitForFinished(size_t count, unsigned long timeoutMs) const
{
    return WaitFor(m_finished, count, timeoutMs);
}

bool CHttpTestServer::WaitForClientCloses(size_t count, unsigned long timeoutMs) const
{
    return WaitFor(m_clientCloses, count, timeoutMs);
}

unsigned short CHttpTestServer::UnusedPort()
{
    EnsureWinsock();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof(address);
    unsigned short port = 0;
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::closesocket(s); // bound but never listening: nothing accepts on it afterwards
    return port;
}

void CHttpTestServer::AcceptLoop()
{
    SOCKET listener = static_cast<SOCKET>(m_listener);
    while (!m_stopping)
    {
        if (!Readable(listener, kSliceMs))
            continue;
        SOCKET s = ::accept(listener, nullptr, nullptr);
        if (s == INVALID_SOCKET)
            continue;
        std::lock_guard<std::mutex> guard(m_lock);
        m_connections.emplace_back(&CHttpTestServer::Serve, this, static_cast<std::uintptr_t>(s));
    }
}

bool CHttpTestServer::ReadRequest(std::uintptr_t socket, std::string& request)
{
    SOCKET s = static_cast<SOCKET>(socket);
    size_t headEnd = std::string::npos;
    size_t wanted = 0;
    char buffer[4096];
    while (!m_stopping)
    {
        if (headEnd == std::string::npos)
        {
            headEnd = request.find("\r\n\r\n");
            if (headEnd != std::string::npos)
                wanted = headEnd + 4 + ContentLength(request.substr(0, headEnd + 2));
        }
        if (headEnd != std::string::npos && request.size() >= wanted)
            return true;
        if (!Readable(s, kSliceMs))
            continue;
        int got = ::recv(s, buffer, sizeof(buffer), 0);
        if (got <= 0)
            return false;
        request.append(buffer, static_cast<size_t>(got));
    }
    return false;
}

bool CHttpTestServer::WaitWatchingClient(std::uintptr_t socket, unsigned long ms, bool forever)
{
    SOCKET s = static_cast<SOCKET>(socket);
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    bool clientGone = false;
    while (!m_stopping && (forever || std::chrono::steady_clock::now() < end))
    {
        if (clientGone || !Readable(s, kSliceMs))
        {
            if (clientGone && forever)
                return true;
            if (clientGone)
                ::Sleep(kSliceMs); // nothing more to watch; let the pause run its course
            continue;
        }
        char c;
        int got = ::recv(s, &c, 1, 0);
        if (got <= 0)
        {
            clientGone = true;
            std::lock_guard<std::mutex> guard(m_lock);
            ++m_clientCloses;
            m_changed.notify_all();
        }
    }
    return clientGone;
}

HttpScript CHttpTestServer::ScriptFor(const std::string& request) const
{
    size_t start = request.find(' ');
    size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    std::string target = start == std::string::npos || end == std::string::npos
                             ? std::string()
                             : request.substr(start + 1, end - start - 1);
    std::lock_guard<std::mutex> guard(m_lock);
    const HttpScript* best = &m_defaultScript;
    size_t bestLength = 0;
    for (const auto& entry : m_scripts)
    {
        if (target.compare(0, entry.first.size(), entry.first) == 0 &&
            entry.first.size() >= bestLength)
        {
            best = &entry.second;
            bestLength = entry.first.size();
        }
    }
    return *best;
}

void CHttpTestServer::Serve(std::uintptr_t socket)
{
    SOCKET s = static_cast<SOCKET>(socket);
    std::string request;
    bool complete = ReadRequest(socket, request);
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_requests.push_back(request);
        m_changed.notify_all();
    }
    bool clientGone = false;
    bool reset = false;
    if (complete)
    {
        for (const HttpStep& step : ScriptFor(request))
        {
            reset = step.kind == HttpStep::Kind::Reset;
            if (m_stopping || step.kind == HttpStep::Kind::Close || reset)
                break;
            if (step.kind == HttpStep::Kind::Send)
            {
                if (!clientGone)
                    ::send(s, step.bytes.data(), static_cast<int>(step.bytes.size()), 0);
            }
            else if (step.kind == HttpStep::Kind::Pause)
                clientGone = WaitWatchingClient(socket, step.ms, false) || clientGone;
            else if (!clientGone)
                clientGone = WaitWatchingClient(socket, 0, true);
        }
    }
    if (reset)
    {
        // A zero linger time makes the close an abort: the client sees a reset connection.
        linger abort = {1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                     sizeof(abort));
    }
    else
        ::shutdown(s, SD_SEND);
    ::closesocket(s);
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_finished;
    m_changed.notify_all();
}

} // namespace testsupport
