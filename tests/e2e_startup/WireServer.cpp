#include "WireServer.h"

#include <winsock2.h>

#include <chrono>
#include <cstdlib>

namespace e2e_startup
{
namespace
{
// Data, end of stream or an error within ms.
bool Readable(SOCKET s, long ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {ms / 1000, (ms % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &tv) == 1;
}

size_t ContentLength(const std::string& head)
{
    std::string lower = head;
    for (char& c : lower)
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    const size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoul(lower.c_str() + at + 17, nullptr, 10);
}

void SendAll(SOCKET s, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size())
    {
        const int n = ::send(s, bytes.data() + sent, static_cast<int>(bytes.size() - sent), 0);
        if (n <= 0)
            return;
        sent += static_cast<size_t>(n);
    }
}
} // namespace

WireServer::WireServer(unsigned short port)
{
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    BOOL reuse = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse), sizeof(reuse));
    sockaddr_in addr = {};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || ::listen(s, 16) != 0)
    {
        ::closesocket(s);
        return;
    }
    m_listener = s;
    m_acceptThread = std::thread(&WireServer::AcceptLoop, this);
}

WireServer::~WireServer()
{
    {
        std::lock_guard<std::mutex> l(m_lock);
        m_stopping = true;
        m_released = true;
    }
    m_changed.notify_all();
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    if (Listening())
        ::closesocket(m_listener);
    for (std::thread& t : m_connections)
        t.join();
    ::WSACleanup();
}

void WireServer::Answer(const std::string& pathPrefix, int status, const std::string& body)
{
    std::lock_guard<std::mutex> l(m_lock);
    m_routes[pathPrefix] = Route{false, status, body};
}

void WireServer::Hold(const std::string& pathPrefix)
{
    std::lock_guard<std::mutex> l(m_lock);
    m_routes[pathPrefix].hold = true;
}

void WireServer::Release()
{
    {
        std::lock_guard<std::mutex> l(m_lock);
        m_released = true;
        for (auto& [prefix, route] : m_routes)
            route.hold = false;
    }
    m_changed.notify_all();
}

std::vector<std::string> WireServer::Requests() const
{
    std::lock_guard<std::mutex> l(m_lock);
    return m_requests;
}

bool WireServer::WaitForRequests(size_t count, DWORD timeoutMs) const
{
    std::unique_lock<std::mutex> l(m_lock);
    return m_changed.wait_for(l, std::chrono::milliseconds(timeoutMs),
                              [&] { return m_requests.size() >= count; });
}

WireServer::Route WireServer::RouteFor(const std::string& target) const
{
    Route result;
    size_t best = 0;
    for (const auto& [prefix, route] : m_routes)
        if (target.compare(0, prefix.size(), prefix) == 0 && prefix.size() >= best)
        {
            best = prefix.size();
            result = route;
        }
    return result;
}

void WireServer::AcceptLoop()
{
    const SOCKET listener = static_cast<SOCKET>(m_listener);
    for (;;)
    {
        {
            std::lock_guard<std::mutex> l(m_lock);
            if (m_stopping)
                return;
        }
        if (!Readable(listener, 50))
            continue;
        const SOCKET c = ::accept(listener, nullptr, nullptr);
        if (c == INVALID_SOCKET)
            continue;
        std::lock_guard<std::mutex> l(m_lock);
        m_connections.emplace_back(&WireServer::Serve, this, static_cast<std::uintptr_t>(c));
    }
}

void WireServer::Serve(std::uintptr_t socket)
{
    const SOCKET c = static_cast<SOCKET>(socket);
    std::string request;
    char buf[4096];
    size_t headEnd = std::string::npos;
    // The head, then as many body bytes as it announces; a client that stops sending ends it.
    while (Readable(c, 5000))
    {
        const int n = ::recv(c, buf, sizeof(buf), 0);
        if (n <= 0)
            break;
        request.append(buf, static_cast<size_t>(n));
        if (headEnd == std::string::npos)
            headEnd = request.find("\r\n\r\n");
        if (headEnd != std::string::npos &&
            request.size() >= headEnd + 4 + ContentLength(request.substr(0, headEnd + 2)))
            break;
    }
    const std::string line = request.substr(0, request.find("\r\n"));
    const size_t p1 = line.find(' '), p2 = line.rfind(' ');
    const std::string target =
        p1 != std::string::npos && p2 > p1 ? line.substr(p1 + 1, p2 - p1 - 1) : "";

    Route route;
    {
        std::unique_lock<std::mutex> l(m_lock);
        if (!request.empty())
            m_requests.push_back(request);
        m_changed.notify_all();
        route = RouteFor(target);
        if (route.hold)
        {
            m_changed.wait(l, [&] { return m_released; });
            route = RouteFor(target);
        }
        if (m_stopping)
        {
            ::closesocket(c);
            return;
        }
    }
    SendAll(
        c,
        "HTTP/1.1 " + std::to_string(route.status) + (route.status == 200 ? " OK" : " Error") +
            "\r\nContent-Type: text/html\r\nCache-Control: no-store, no-cache\r\nPragma: no-cache"
            "\r\nExpires: 0\r\nContent-Length: " +
            std::to_string(route.body.size()) + "\r\nConnection: close\r\n\r\n" + route.body);
    ::shutdown(c, SD_SEND);
    // Let the client read to the end before the socket goes.
    while (Readable(c, 2000) && ::recv(c, buf, sizeof(buf), 0) > 0)
    {
    }
    ::closesocket(c);
}
} // namespace e2e_startup
