// A tiny HTTP server on the loopback address: records each request line and answers a scripted
// body. One request per connection (the server closes after answering). Answers forbid caching:
// WinINet keeps pages in the prefix's cache, and a request served from there never reaches us.
#include "e2e/E2e.h"

#include <winsock2.h>

#include <map>
#include <mutex>

namespace e2e
{
struct HttpRecorder::Shared
{
    mutable std::mutex lock;
    std::vector<std::string> lines;
    std::map<std::string, std::pair<int, std::string>> routes;
    SOCKET listener = INVALID_SOCKET;
    volatile bool stop = false;
};

namespace
{
void Serve(SOCKET c, std::mutex& lock, std::vector<std::string>& lines,
           const std::map<std::string, std::pair<int, std::string>>& routes)
{
    DWORD timeout = 3000;
    ::setsockopt(c, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&timeout),
                 sizeof(timeout));
    std::string head;
    char buf[2048];
    while (head.find("\r\n\r\n") == std::string::npos && head.size() < 65536)
    {
        const int n = ::recv(c, buf, sizeof(buf), 0);
        if (n <= 0)
            break;
        head.append(buf, n);
    }
    const std::string line = head.substr(0, head.find("\r\n"));
    if (line.empty())
        return;
    int status = 404;
    std::string body = "not found";
    {
        std::lock_guard<std::mutex> l(lock);
        lines.push_back(line);
        const size_t p1 = line.find(' '), p2 = line.rfind(' ');
        const std::string target =
            p1 != std::string::npos && p2 > p1 ? line.substr(p1 + 1, p2 - p1 - 1) : "";
        size_t best = 0;
        for (const auto& [prefix, answer] : routes)
            if (target.compare(0, prefix.size(), prefix) == 0 && prefix.size() >= best)
            {
                best = prefix.size();
                status = answer.first;
                body = answer.second;
            }
    }
    const std::string reply = "HTTP/1.1 " + std::to_string(status) +
                              (status == 200 ? " OK" : " Error") +
                              "\r\nContent-Type: text/html\r\nCache-Control: no-store, "
                              "no-cache\r\nPragma: no-cache\r\nExpires: 0"
                              "\r\nContent-Length: " +
                              std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    ::send(c, reply.data(), static_cast<int>(reply.size()), 0);
    ::shutdown(c, SD_SEND);
}
} // namespace

HttpRecorder::HttpRecorder(unsigned short port) : m_shared(std::make_shared<Shared>())
{
    WSADATA wsa;
    ::WSAStartup(MAKEWORD(2, 2), &wsa);
    m_shared->routes["/prodline/version/version.asp"] = {200, "1.4"};
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
    m_shared->listener = s;
    m_socket = s;
    auto* arg = new std::shared_ptr<Shared>(m_shared);
    m_thread = ::CreateThread(nullptr, 0, &HttpRecorder::ListenThread, arg, 0, nullptr);
}

HttpRecorder::~HttpRecorder()
{
    m_shared->stop = true;
    if (m_thread)
    {
        ::WaitForSingleObject(m_thread, 10000);
        ::CloseHandle(m_thread);
    }
    if (m_shared->listener != INVALID_SOCKET)
        ::closesocket(m_shared->listener);
    ::WSACleanup();
}

DWORD WINAPI HttpRecorder::ListenThread(void* param)
{
    std::shared_ptr<Shared> shared = *static_cast<std::shared_ptr<Shared>*>(param);
    delete static_cast<std::shared_ptr<Shared>*>(param);
    while (!shared->stop)
    {
        fd_set set;
        FD_ZERO(&set);
        FD_SET(shared->listener, &set);
        timeval tv = {0, 100000};
        if (::select(0, &set, nullptr, nullptr, &tv) <= 0)
            continue;
        SOCKET c = ::accept(shared->listener, nullptr, nullptr);
        if (c == INVALID_SOCKET)
            continue;
        std::map<std::string, std::pair<int, std::string>> routes;
        {
            std::lock_guard<std::mutex> l(shared->lock);
            routes = shared->routes;
        }
        Serve(c, shared->lock, shared->lines, routes);
        ::closesocket(c);
    }
    return 0;
}

void HttpRecorder::Respond(const std::string& pathPrefix, int status, const std::string& body)
{
    std::lock_guard<std::mutex> l(m_shared->lock);
    m_shared->routes[pathPrefix] = {status, body};
}

std::vector<std::string> HttpRecorder::RequestLines() const
{
    std::lock_guard<std::mutex> l(m_shared->lock);
    return m_shared->lines;
}

size_t HttpRecorder::Count(const std::string& text) const
{
    size_t n = 0;
    for (const auto& line : RequestLines())
        n += line.find(text) != std::string::npos;
    return n;
}

bool HttpRecorder::WaitForRequest(const std::string& text, DWORD timeoutMs) const
{
    return WaitUntil([&] { return Count(text) > 0; }, timeoutMs);
}
} // namespace e2e
