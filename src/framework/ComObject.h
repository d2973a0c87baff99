// The reference count of a COM object of ours: made with new holding one reference, gone with its
// last. The class implements QueryInterface and the methods of its interfaces.
#pragma once

#include <windows.h>

namespace fw
{

template <class... Interfaces> class CComObject : public Interfaces...
{
public:
    CComObject() = default;
    CComObject(const CComObject&) = delete;
    CComObject& operator=(const CComObject&) = delete;

    ULONG STDMETHODCALLTYPE AddRef() override { return ::InterlockedIncrement(&m_refs); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG refs = ::InterlockedDecrement(&m_refs);
        if (refs == 0)
            delete this;
        return refs;
    }

protected:
    virtual ~CComObject() = default;

private:
    LONG m_refs = 1;
};

} // namespace fw
