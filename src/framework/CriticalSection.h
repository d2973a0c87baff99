// A lock for data two threads share, on the platform's own critical section: std::mutex would
// bring a POSIX thread layer into the program for the one lock it needs.
#pragma once

#include <windows.h>

namespace fw
{

class CCriticalSection
{
public:
    CCriticalSection() { ::InitializeCriticalSection(&m_section); }
    ~CCriticalSection() { ::DeleteCriticalSection(&m_section); }
    CCriticalSection(const CCriticalSection&) = delete;
    CCriticalSection& operator=(const CCriticalSection&) = delete;

    void Lock() { ::EnterCriticalSection(&m_section); }
    void Unlock() { ::LeaveCriticalSection(&m_section); }

private:
    CRITICAL_SECTION m_section;
};

// Holds the lock for its scope.
class CLockGuard
{
public:
    explicit CLockGuard(CCriticalSection& section) : m_section(section) { m_section.Lock(); }
    ~CLockGuard() { m_section.Unlock(); }
    CLockGuard(const CLockGuard&) = delete;
    CLockGuard& operator=(const CLockGuard&) = delete;

private:
    CCriticalSection& m_section;
};

} // namespace fw
