// A worker thread object that deletes itself (and closes its handle) when the thread ends.
#pragma once

#include "Handles.h"

namespace fw
{

class CWinThread
{
public:
    using ThreadProc = UINT(__stdcall*)(void* parameter);

    // Starts proc(parameter) at once with normal priority, default stack and security. The
    // returned object belongs to the thread: it is gone once the thread has ended.
    static CWinThread* Begin(ThreadProc proc, void* parameter);

private:
    CWinThread(ThreadProc proc, void* parameter) : m_proc(proc), m_param(parameter) {}
    static unsigned __stdcall Entry(void* self);

    ThreadProc m_proc;
    void* m_param;
    CKernelHandle m_handle;
};

} // namespace fw
