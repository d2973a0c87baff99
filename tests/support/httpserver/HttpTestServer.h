// A small HTTP server for tests, listening on 127.0.0.1 on a port of its own. Every connection
// gets its own thread: the server reads one request (headers and a Content-Length body), records
// it byte for byte, then plays a script of steps (send bytes, pause, stall, close) and closes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testsupport
{

struct HttpStep
{
    enum class Kind
    {
        Send,  // write bytes
        Pause, // wait ms (the connection stays open)
        Stall, // never answer: hold the connection until the client or the server goes away
        Close, // close now, skipping the rest
        Reset  // abort the connection (RST instead of an orderly close), skipping the rest
    };
    Kind kind;
    std::string bytes;
    unsigned long ms = 0;

    static HttpStep Send(std::string bytes) { return {Kind::Send, std::move(bytes), 0}; }
    static HttpStep Pause(unsigned long ms) { return {Kind::Pause, std::string(), ms}; }
    static HttpStep Stall() { return {Kind::Stall, std::string(), 0}; }
    static HttpStep Close() { return {Kind::Close, std::string(), 0}; }
    static HttpStep Reset() { return {Kind::Reset, std::string(), 0}; }
};

using HttpScript = std::vector<HttpStep>;

// The status line and headers of a response whose body is bodyLength bytes, with
// "Connection: close" so that every request comes on a connection of its own.
std::string HttpHead(int status, size_t bodyLength, const std::string& extraHeaders = "");

// A whole response in one piece.
HttpScript HttpAnswer(int status, const std::string& body, const std::string& extraHeaders = "");

class CHttpTestServer
{
public:
    // Starts listening at once; answers 404 until a script is set.
    CHttpTestServer();
    explicit CHttpTestServer(HttpScript script);
    // On a given port (0: one of its own); not listening when the port is taken.
    CHttpTestServer(HttpScript script, unsigned short port);
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;
    // Stops listening, ends every connection (stalled ones too) and waits for their threads.
    ~CHttpTestServer();

    bool IsListening() const { return m_listener != ~std::uintptr_t(0); }
    unsigned short Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by pathAndQuery.
    std::string Url(const std::string& pathAndQuery) const;

    // The script for requests whose path (with query) starts with prefix; the longest matching
    // prefix wins. SetScript sets the one for every other request.
    void SetScript(HttpScript script);
    void SetScriptFor(const std::string& prefix, HttpScript script);

    // Raw requests in arrival order (request line, headers, body).
    std::vector<std::string> Requests() const;
    // Waits until count requests have arrived; false on time-out.
    bool WaitForRequests(size_t count, unsigned long timeoutMs) const;
    // Waits until count connections have played their script to the end (a pause included,
    // a stall only once the client went away) and were closed by the server.
    bool WaitForFinished(size_t count, unsigned long timeoutMs) const;
    // Waits until the client has closed count connections before the server did.
    bool WaitForClientCloses(size_t count, unsigned long timeoutMs) const;

    // A loopback port with nothing listening on it: connections to it are refused.
    static unsigned short UnusedPort();

private:
    void AcceptLoop();
    void Serve(std::uintptr_t socket);
    bool ReadRequest(std::uintptr_t socket, std::string& request);
    // Waits up to ms; true when the client closed the connection meanwhile.
    bool WaitWatchingClient(std::uintptr_t socket, unsigned long ms, bool forever);
    HttpScript ScriptFor(const std::string& request) const;
    bool WaitFor(const size_t& counter, size_t count, unsigned long timeoutMs) const;

    std::uintptr_t m_listener = ~std::uintptr_t(0);
    unsigned short m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    HttpScript m_defaultScript;
    std::map<std::string, HttpScript> m_scripts;
    std::vector<std::string> m_requests;
    std::vector<std::thread> m_connections;
    size_t m_finished = 0;
    size_t m_clientCloses = 0;
};

} // namespace testsupport
