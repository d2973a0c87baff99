// The reference count of a COM object of ours: made with new holding one reference, gone with its
// last. The class implements QueryInterface and the methods of its interfaces.
#pragma once

#include <windows.h>
#include <oaidl.h>

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

// An interface of ours whose IDispatch part is another object's, which the class names: a wrapper
// answers what the object it wraps answers.
template <class Interface> class CDispatchFrom : public Interface
{
public:
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override
    {
        return DispatchTarget()->GetTypeInfoCount(count);
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override
    {
        return DispatchTarget()->GetTypeInfo(index, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID lcid,
                                            DISPID* ids) override
    {
        return DispatchTarget()->GetIDsOfNames(iid, names, count, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags,
                                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                                     UINT* argument) override
    {
        return DispatchTarget()->Invoke(id, iid, lcid, flags, params, result, exception, argument);
    }

protected:
    virtual IDispatch* DispatchTarget() const = 0;
};

} // namespace fw
