#include "HttpTestServer.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <iphlpapi.h>

#include <windows.h>

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

// Who listens on a loopback port: a program of this Wine prefix by name and process id, else
// the command that names it on the host.
std::string PortHolder(unsigned short port)
{
    const std::string host =
        "a program outside this Wine prefix (on the host: ss -ltnp 'sport = :" +
        std::to_string(port) + "')";
    ULONG size = 0;
    ::GetExtendedTcpTable(nullptr, &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_LISTENER, 0);
    std::vector<char> buffer(size + 4096);
    size = static_cast<ULONG>(buffer.size());
    if (::GetExtendedTcpTable(buffer.data(), &size, FALSE, AF_INET, TCP_TABLE_OWNER_PID_LISTENER,
                              0) != NO_ERROR)
        return host;
    const auto* table = reinterpret_cast<const MIB_TCPTABLE_OWNER_PID*>(buffer.data());
    for (DWORD i = 0; i < table->dwNumEntries; ++i)
    {
        const MIB_TCPROW_OWNER_PID& row = table->table[i];
        if (ntohs(static_cast<u_short>(row.dwLocalPort)) != port || row.dwOwningPid == 0)
            continue;
        std::string name = "process " + std::to_string(row.dwOwningPid);
        HANDLE process = ::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, row.dwOwningPid);
        char path[MAX_PATH] = {};
        DWORD length = MAX_PATH;
        if (process && ::QueryFullProcessImageNameA(process, 0, path, &length))
            name = std::string(path) + " (pid " + std::to_string(row.dwOwningPid) + ")";
        if (process)
            ::CloseHandle(process);
        return name;
    }
    return host;
}

void EnsureWinsock()
{
    static CWinsock winsock;
}

// Readable (or writable) within ms? (Data, end of stream or an error all count as readable.)
bool Ready(SOCKET s, unsigned long ms, bool toWrite = false)
{
    fd_set set;
    FD_ZERO(&set);
    FD_SET(s, &set);
    timeval tv = {static_cast<long>(ms / 1000), static_cast<long>((ms % 1000) * 1000)};
    return ::select(0, toWrite ? nullptr : &set, toWrite ? &set : nullptr, nullptr, &tv) == 1;
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
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
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
           "\r\nCache-Control: no-store, no-cache\r\nPragma: no-cache\r\nExpires: 0"
           "\r\nConnection: close\r\n" +
           extraHeaders + "\r\n";
}

HttpScript HttpAnswer(int status, const std::string& body, const std::string& extraHeaders)
{
    return {HttpStep::Send(HttpHead(status, body.size(), extraHeaders) + body)};
}

HttpScript HttpRedirect(int status, const std::string& location)
{
    return HttpAnswer(status, "", "Location: " + location + "\r\n");
}

HttpScript HttpResetAfterHeaders(int status, size_t bodyLength)
{
    return {HttpStep::Send(HttpHead(status, bodyLength)), HttpStep::Pause(100), HttpStep::Reset()};
}

unsigned short CHttpTestServer::ProgramPort()
{
    return E2E_HTTP_PORT;
}

CHttpTestServer::CHttpTestServer() : CHttpTestServer(HttpAnswer(404, "not found")) {}

CHttpTestServer::CHttpTestServer(HttpScript script) : m_defaultScript(std::move(script))
{
    Listen(0);
}

CHttpTestServer::CHttpTestServer(unsigned short port, HttpScript script)
    : m_defaultScript(std::move(script))
{
    Listen(port);
}

void CHttpTestServer::Listen(unsigned short port)
{
    EnsureWinsock();
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return;
    if (port != 0)
    {
        // A fixed port must be bindable again right after a previous test's connections.
        BOOL reuse = TRUE;
        ::setsockopt(s, SOL_SOCKET, SO_REUSEADDR, reinterpret_cast<const char*>(&reuse),
                     sizeof(reuse));
    }
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    int length = sizeof(address);
    if (::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
        ::listen(s, SOMAXCONN) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr*>(&address), &length) == 0)
    {
        m_listener = s;
        // Never blocked, nor the connections it accepts: a connection that went between select
        // and accept would hold the accept, and a client that stops reading (the program reads
        // what it needs) a send, and with either the server's end, for ever.
        u_long nonBlocking = 1;
        ::ioctlsocket(s, FIONBIO, &nonBlocking);
        m_port = ntohs(address.sin_port);
        m_acceptThread = std::thread(&CHttpTestServer::AcceptLoop, this);
        return;
    }
    ::closesocket(s);
    // The tests of one build folder take the port in turn and free it when they end: whoever
    // holds it now is a stranger, and waiting for it would only make both runs slow and wrong.
    m_listenError = "port " + std::to_string(port) + " is taken by " + PortHolder(port);
}

CHttpTestServer::~CHttpTestServer()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_stopping = true;
    }
    m_changed.notify_all();
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

void CHttpTestServer::Answer(const std::string& prefix, int status, const std::string& body)
{
    SetScriptFor(prefix, HttpAnswer(status, body));
}

void CHttpTestServer::Hold(const std::string& prefix)
{
    std::lock_guard<std::mutex> guard(m_lock);
    m_held.insert(prefix);
}

void CHttpTestServer::Release()
{
    {
        std::lock_guard<std::mutex> guard(m_lock);
        m_held.clear();
    }
    m_changed.notify_all();
}

std::vector<std::string> CHttpTestServer::Requests() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_requests;
}

std::vector<std::string> CHttpTestServer::RequestLines() const
{
    std::vector<std::string> lines;
    for (const std::string& request : Requests())
        lines.push_back(request.substr(0, request.find("\r\n")));
    return lines;
}

std::vector<unsigned long long> CHttpTestServer::RequestTimes() const
{
    std::lock_guard<std::mutex> guard(m_lock);
    return m_times;
}

size_t CHttpTestServer::Count(const std::string& text) const
{
    size_t count = 0;
    for (const std::string& line : RequestLines())
        count += line.find(text) != std::string::npos ? 1 : 0;
    return count;
}

bool CHttpTestServer::WaitFor(const std::function<bool()>& done, unsigned long timeoutMs) const
{
    std::unique_lock<std::mutex> guard(m_lock);
    return m_changed.wait_for(guard, std::chrono::milliseconds(timeoutMs), done);
}

bool CHttpTestServer::WaitForRequest(const std::string& text, unsigned long timeoutMs) const
{
    return WaitFor(
        [&]
        {
            for (const std::string& request : m_requests)
                if (request.substr(0, request.find("\r\n")).find(text) != std::string::npos)
                    return true;
            return false;
        },
        timeoutMs);
}

bool CHttpTestServer::WaitForRequests(size_t count, unsigned long timeoutMs) const
{
    return WaitFor([&] { return m_requests.size() >= count; }, timeoutMs);
}

bool CHttpTestServer::WaitForFinished(size_t count, unsigned long timeoutMs) const
{
    return WaitFor([&] { return m_finished >= count; }, timeoutMs);
}

bool CHttpTestServer::WaitForClientCloses(size_t count, unsigned long timeoutMs) const
{
    return WaitFor([&] { return m_clientCloses >= count; }, timeoutMs);
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
        if (!Ready(listener, kSliceMs))
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
        if (!Ready(s, kSliceMs))
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
        if (clientGone || !Ready(s, kSliceMs))
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

bool CHttpTestServer::IsHeld(const std::string& target) const
{
    for (const std::string& prefix : m_held)
        if (target.compare(0, prefix.size(), prefix) == 0)
            return true;
    return false;
}

HttpScript CHttpTestServer::ScriptFor(const std::string& target) const
{
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
    const size_t start = request.find(' ');
    const size_t end = start == std::string::npos ? start : request.find(' ', start + 1);
    const std::string target = start == std::string::npos || end == std::string::npos
                                   ? std::string()
                                   : request.substr(start + 1, end - start - 1);
    HttpScript script;
    {
        std::unique_lock<std::mutex> guard(m_lock);
        if (!request.empty())
        {
            m_requests.push_back(request);
            m_times.push_back(::GetTickCount64());
        }
        m_changed.notify_all();
        m_changed.wait(guard, [&] { return m_stopping || !IsHeld(target); });
        script = ScriptFor(target);
    }
    bool clientGone = false;
    bool reset = false;
    if (complete)
    {
        for (const HttpStep& step : script)
        {
            if (m_stopping || step.kind == HttpStep::Kind::Close)
                break;
            if (step.kind == HttpStep::Kind::Reset)
            {
                reset = true;
                break;
            }
            if (step.kind == HttpStep::Kind::Send)
            {
                for (size_t sent = 0; !clientGone && !m_stopping && sent < step.bytes.size();)
                {
                    const int n = ::send(s, step.bytes.data() + sent,
                                         static_cast<int>(step.bytes.size() - sent), 0);
                    if (n > 0)
                        sent += static_cast<size_t>(n);
                    else if (::WSAGetLastError() != WSAEWOULDBLOCK)
                        break;
                    else
                        Ready(s, kSliceMs, true);
                }
            }
            else if (step.kind == HttpStep::Kind::Pause)
                clientGone = WaitWatchingClient(socket, step.ms, false) || clientGone;
            else if (!clientGone)
                clientGone = WaitWatchingClient(socket, 0, true);
        }
    }
    if (reset)
    {
        // No lingering: closing sends a reset instead of the end of the stream.
        linger abort = {1, 0};
        ::setsockopt(s, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&abort),
                     sizeof(abort));
    }
    else
    {
        ::shutdown(s, SD_SEND);
        // Let the client read to the end before the socket goes: closing with unread bytes
        // would reset the connection under it.
        char buffer[4096];
        const ULONGLONG deadline = ::GetTickCount64() + 2000;
        while (!clientGone && !m_stopping && ::GetTickCount64() < deadline)
        {
            if (!Ready(s, kSliceMs))
                continue;
            if (::recv(s, buffer, sizeof(buffer), 0) <= 0)
                break;
        }
    }
    ::closesocket(s);
    std::lock_guard<std::mutex> guard(m_lock);
    ++m_finished;
    m_changed.notify_all();
}

} // namespace testsupport
