// Carries every connection made to a fixed loopback port over to a scripted test server that
// listens on a port of its own, byte for byte and in both directions, half-closes included: the
// test build of the program talks to one fixed port, the scripted server picks a free one.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

namespace hostile
{

class CPortRelay
{
public:
    CPortRelay(unsigned short listenPort, unsigned short targetPort);
    // Stops listening, cuts every carried connection and waits for its threads.
    ~CPortRelay();
    CPortRelay(const CPortRelay&) = delete;
    CPortRelay& operator=(const CPortRelay&) = delete;

    bool Listening() const { return m_listener != ~std::uintptr_t(0); }

private:
    void AcceptLoop();
    void Pump(std::uintptr_t from, std::uintptr_t to);

    unsigned short m_targetPort;
    std::uintptr_t m_listener = ~std::uintptr_t(0);
    std::atomic<bool> m_stopping{false};
    std::thread m_acceptThread;
    std::mutex m_lock;
    std::vector<std::uintptr_t> m_sockets;
    std::vector<std::thread> m_pumps;
};

} // namespace hostile
