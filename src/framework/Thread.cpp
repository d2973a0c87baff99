#include "Thread.h"

#include <process.h>

namespace fw
{

CWinThread* CWinThread::Begin(ThreadProc proc, void* parameter)
{
    CWinThread* thread = new CWinThread(proc, parameter);
    // Created suspended so that the handle is stored before the thread can end and delete us.
    uintptr_t h =
        ::_beginthreadex(nullptr, 0, &CWinThread::Entry, thread, CREATE_SUSPENDED, nullptr);
    if (!h)
    {
        delete thread;
        return nullptr;
    }
    thread->m_handle.Reset(reinterpret_cast<HANDLE>(h));
    ::ResumeThread(thread->m_handle.Get());
    return thread;
}

unsigned __stdcall CWinThread::Entry(void* self)
{
    CWinThread* thread = static_cast<CWinThread*>(self);
    UINT code = thread->m_proc(thread->m_param);
    delete thread;
    return code;
}

} // namespace fw
