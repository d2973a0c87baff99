// The one web server of the tests, listening on 127.0.0.1: on a free port of its own (unit tests)
// or on the port the test build of the program talks to (end-to-end tests, ProgramPort()).
//
// Every connection gets its own thread: the server reads one request (headers and a
// Content-Length body), records it byte for byte with the time it arrived, then plays the script
// set for its path (send bytes, pause, stall, reset, close) and closes. Scripts are chosen by the
// longest matching path prefix; a path can be held (read, then nothing until Release()), and every
// answer forbids caching: WinINet keeps pages in the prefix's cache, and a request served from
// there never reaches us.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <set>
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
        Reset, // abort the connection (TCP reset) now, skipping the rest
        Close  // close now, skipping the rest
    };
    Kind kind;
    std::string bytes;
    unsigned long ms = 0;

    static HttpStep Send(std::string bytes) { return {Kind::Send, std::move(bytes), 0}; }
    static HttpStep Pause(unsigned long ms) { return {Kind::Pause, std::string(), ms}; }
    static HttpStep Stall() { return {Kind::Stall, std::string(), 0}; }
    static HttpStep Reset() { return {Kind::Reset, std::string(), 0}; }
    static HttpStep Close() { return {Kind::Close, std::string(), 0}; }
};

using HttpScript = std::vector<HttpStep>;

// The status line and headers of a response whose body is bodyLength bytes, with
// "Connection: close" so that every request comes on a connection of its own.
std::string HttpHead(int status, size_t bodyLength, const std::string& extraHeaders = "");

// A whole response in one piece.
HttpScript HttpAnswer(int status, const std::string& body, const std::string& extraHeaders = "");
// A redirection (301, 302, 303, 307...) to `location`, with an empty body.
HttpScript HttpRedirect(int status, const std::string& location);
// The headers of a response announcing `bodyLength` bytes, then a TCP reset instead of the body.
HttpScript HttpResetAfterHeaders(int status, size_t bodyLength);

class CHttpTestServer
{
public:
    // The port the test build of the program talks to (the build's E2E_HTTP_PORT).
    static unsigned short ProgramPort();
    // A loopback port with nothing listening on it: connections to it are refused.
    static unsigned short UnusedPort();

    // Starts listening at once on a free port; answers 404 until a script is set.
    CHttpTestServer();
    explicit CHttpTestServer(HttpScript script);
    // Listens on `port`, or not at all when another program holds it (ListenError() names it).
    CHttpTestServer(unsigned short port, HttpScript script);
    CHttpTestServer(const CHttpTestServer&) = delete;
    CHttpTestServer& operator=(const CHttpTestServer&) = delete;
    // Stops listening, ends every connection (stalled and held ones too) and waits for their
    // threads.
    ~CHttpTestServer();

    bool IsListening() const { return m_listener != ~std::uintptr_t(0); }
    // Why a fixed port could not be had: "port N is taken by <its holder>"; empty otherwise.
    const std::string& ListenError() const { return m_listenError; }
    unsigned short Port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by pathAndQuery.
    std::string Url(const std::string& pathAndQuery) const;

    // The script for requests whose path (with query) starts with prefix; the longest matching
    // prefix wins. SetScript sets the one for every other request.
    void SetScript(HttpScript script);
    void SetScriptFor(const std::string& prefix, HttpScript script);
    // SetScriptFor(prefix, HttpAnswer(status, body)).
    void Answer(const std::string& prefix, int status, const std::string& body);
    // Requests whose path starts with prefix are read and recorded, then get nothing until
    // Release(): each then plays the script set for its path by that time.
    void Hold(const std::string& prefix);
    void Release();

    // Raw requests in arrival order (request line, headers, body).
    std::vector<std::string> Requests() const;
    // Their first lines ("GET /path?query HTTP/1.1").
    std::vector<std::string> RequestLines() const;
    // When each request had arrived in full, in GetTickCount64 milliseconds, in arrival order.
    std::vector<unsigned long long> RequestTimes() const;
    // Requests whose first line contains `text`.
    size_t Count(const std::string& text) const;
    // Waits until count requests have arrived; false on time-out.
    bool WaitForRequests(size_t count, unsigned long timeoutMs) const;
    // Waits until a request whose first line contains `text` has arrived; false on time-out.
    bool WaitForRequest(const std::string& text, unsigned long timeoutMs) const;
    // Waits until count connections have played their script to the end (a pause included,
    // a stall only once the client went away) and were closed by the server.
    bool WaitForFinished(size_t count, unsigned long timeoutMs) const;
    // Waits until the client has closed count connections before the server did.
    bool WaitForClientCloses(size_t count, unsigned long timeoutMs) const;

private:
    void Listen(unsigned short port);
    void AcceptLoop();
    void Serve(std::uintptr_t socket);
    bool ReadRequest(std::uintptr_t socket, std::string& request);
    // Waits up to ms; true when the client closed the connection meanwhile.
    bool WaitWatchingClient(std::uintptr_t socket, unsigned long ms, bool forever);
    HttpScript ScriptFor(const std::string& target) const;
    bool IsHeld(const std::string& target) const;
    bool WaitFor(const std::function<bool()>& done, unsigned long timeoutMs) const;

    std::uintptr_t m_listener = ~std::uintptr_t(0);
    unsigned short m_port = 0;
    std::string m_listenError;
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;

    mutable std::mutex m_lock;
    mutable std::condition_variable m_changed;
    HttpScript m_defaultScript;
    std::map<std::string, HttpScript> m_scripts;
    std::set<std::string> m_held;
    std::vector<std::string> m_requests;
    std::vector<unsigned long long> m_times;
    std::vector<std::thread> m_connections;
    size_t m_finished = 0;
    size_t m_clientCloses = 0;
};

} // namespace testsupport
