#include "PortRelay.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace hostile
{

namespace
{

bool Readable(SOCKET s, long ms)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {ms / 1000, (ms % 1000) * 1000};
    return ::select(0, &set, nullptr, nullptr, &tv) == 1;
}

sockaddr_in Loopback(unsigned short port)
{
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    return address;
}

} // namespace

CPortRelay::CPortRelay(unsigned short listenPort, unsigned short targetPort)
    : m_targetPort(targetPort)
{
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    // Another program on the port must make us fail, not share its connections.
    BOOL exclusive = TRUE;
    ::setsockopt(s, SOL_SOCKET, SO_EXCLUSIVEADDRUSE, reinterpret_cast<const char*>(&exclusive),
                 sizeof(exclusive));
    sockaddr_in address = Loopback(listenPort);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
        ::listen(s, SOMAXCONN) != 0)
    {
        ::closesocket(s);
        return;
    }
    m_listener = s;
    m_acceptThread = std::thread(&CPortRelay::AcceptLoop, this);
}

CPortRelay::~CPortRelay()
{
    m_stopping = true;
    if (m_acceptThread.joinable())
        m_acceptThread.join();
    {
        std::lock_guard<std::mutex> guard(m_lock);
        for (std::uintptr_t s : m_sockets)
            ::shutdown(static_cast<SOCKET>(s), SD_BOTH);
    }
    for (auto& t : m_pumps)
        t.join();
    for (std::uintptr_t s : m_sockets)
        ::closesocket(static_cast<SOCKET>(s));
    if (Listening())
        ::closesocket(static_cast<SOCKET>(m_listener));
    ::WSACleanup();
}

void CPortRelay::AcceptLoop()
{
    SOCKET listener = static_cast<SOCKET>(m_listener);
    while (!m_stopping)
    {
        if (!Readable(listener, 20))
            continue;
        SOCKET client = ::accept(listener, nullptr, nullptr);
        if (client == INVALID_SOCKET)
            continue;
        SOCKET server = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in target = Loopback(m_targetPort);
        if (server == INVALID_SOCKET ||
            ::connect(server, reinterpret_cast<sockaddr*>(&target), sizeof(target)) != 0)
        {
            if (server != INVALID_SOCKET)
                ::closesocket(server);
            ::closesocket(client);
            continue;
        }
        std::lock_guard<std::mutex> guard(m_lock);
        m_sockets.push_back(client);
        m_sockets.push_back(server);
        m_pumps.emplace_back(&CPortRelay::Pump, this, static_cast<std::uintptr_t>(client),
                             static_cast<std::uintptr_t>(server));
        m_pumps.emplace_back(&CPortRelay::Pump, this, static_cast<std::uintptr_t>(server),
                             static_cast<std::uintptr_t>(client));
    }
}

// One direction: what arrives on `from` goes out on `to`; the end of `from` becomes a
// half-close of `to`, so a stalled server still sees the client give up, and the client still
// sees the server's end of the body.
void CPortRelay::Pump(std::uintptr_t from, std::uintptr_t to)
{
    SOCKET in = static_cast<SOCKET>(from);
    SOCKET out = static_cast<SOCKET>(to);
    char buffer[65536];
    while (!m_stopping)
    {
        if (!Readable(in, 20))
            continue;
        int got = ::recv(in, buffer, sizeof(buffer), 0);
        if (got <= 0)
            break;
        for (int sent = 0; sent < got;)
        {
            int n = ::send(out, buffer + sent, got - sent, 0);
            if (n <= 0)
            {
                // The reader went away: stop carrying, and let the writer see it too.
                ::shutdown(in, SD_BOTH);
                ::shutdown(out, SD_SEND);
                return;
            }
            sent += n;
        }
    }
    ::shutdown(out, SD_SEND);
}

} // namespace hostile
