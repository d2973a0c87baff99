// A local stand-in for the product's web server that keeps every request byte for byte (request
// line, headers and the Content-Length body) and can hold an answer back: the update check is
// judged by what goes over the wire and by how the program copes with a server that never answers.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace e2e_startup
{
class WireServer
{
public:
    explicit WireServer(unsigned short port = 18089);
    ~WireServer(); // releases held answers (closing them unanswered) and joins every thread
    WireServer(const WireServer&) = delete;
    WireServer& operator=(const WireServer&) = delete;

    bool Listening() const { return m_listener != ~std::uintptr_t(0); }
    // Requests whose path starts with pathPrefix (longest prefix wins) get this answer; anything
    // else gets 404.
    void Answer(const std::string& pathPrefix, int status, const std::string& body);
    // Requests whose path starts with pathPrefix are accepted and read, then get nothing until
    // Release(): the connection stays open.
    void Hold(const std::string& pathPrefix);
    // Lets held connections go on: each gets the answer set for its path by then (404 if none).
    void Release();

    std::vector<std::string> Requests() const;
    bool WaitForRequests(size_t count, DWORD timeoutMs) const;

private:
    struct Route
    {
        bool hold = false;
        int status = 404;
        std::string body = "not found";
    };
    void AcceptLoop();
    void Serve(std::uintptr_t socket);
    Route RouteFor(const std::string& target) const;

    std::uintptr_t m_listener = ~std::uintptr_t(0);
    bool m_stopping = false;
    bool m_released = false;
    std::thread m_acceptThread;
    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    std::map<std::string, Route> m_routes;
    std::vector<std::string> m_requests;
    std::vector<std::thread> m_connections;
};
} // namespace e2e_startup
