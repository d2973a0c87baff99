// Owners for the handles the program opens: every kernel, GDI, registry, service and COM handle
// has exactly one owner that releases it, so no early return can leak one.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>
#include <utility>

namespace fw
{

// Move-only owner of one handle value; Traits says what "none" is and how to release it.
template <typename Traits> class CHandleOwner
{
public:
    using handle_type = typename Traits::handle_type;

    CHandleOwner() noexcept : m_h(Traits::Invalid()) {}
    explicit CHandleOwner(handle_type h) noexcept : m_h(h) {}
    CHandleOwner(const CHandleOwner&) = delete;
    CHandleOwner& operator=(const CHandleOwner&) = delete;
    CHandleOwner(CHandleOwner&& other) noexcept : m_h(other.Detach()) {}
    CHandleOwner& operator=(CHandleOwner&& other) noexcept
    {
        if (this != &other)
            Reset(other.Detach());
        return *this;
    }
    ~CHandleOwner() { Reset(); }

    handle_type Get() const noexcept { return m_h; }
    explicit operator bool() const noexcept { return m_h != Traits::Invalid(); }
    handle_type Detach() noexcept { return std::exchange(m_h, Traits::Invalid()); }
    void Reset(handle_type h = Traits::Invalid()) noexcept
    {
        if (m_h != Traits::Invalid())
            Traits::Close(m_h);
        m_h = h;
    }
    // For APIs that fill a handle through an out-pointer.
    handle_type* Receive() noexcept
    {
        Reset();
        return &m_h;
    }

private:
    handle_type m_h;
};

struct KernelHandleTraits
{
    using handle_type = HANDLE;
    static HANDLE Invalid() noexcept { return nullptr; }
    static void Close(HANDLE h) noexcept { ::CloseHandle(h); }
};

template <typename T> struct GdiObjectTraits
{
    using handle_type = T;
    static T Invalid() noexcept { return nullptr; }
    static void Close(T h) noexcept { ::DeleteObject(h); }
};

struct DcTraits
{
    using handle_type = HDC;
    static HDC Invalid() noexcept { return nullptr; }
    static void Close(HDC h) noexcept { ::DeleteDC(h); }
};

struct ModuleTraits
{
    using handle_type = HMODULE;
    static HMODULE Invalid() noexcept { return nullptr; }
    static void Close(HMODULE h) noexcept { ::FreeLibrary(h); }
};

using CKernelHandle = CHandleOwner<KernelHandleTraits>;
using CFontHandle = CHandleOwner<GdiObjectTraits<HFONT>>;
using CBitmapHandle = CHandleOwner<GdiObjectTraits<HBITMAP>>;
using CBrushHandle = CHandleOwner<GdiObjectTraits<HBRUSH>>;
using CMemoryDC = CHandleOwner<DcTraits>;
using CModuleHandle = CHandleOwner<ModuleTraits>;

// Puts the previous object back into a DC when the scope ends.
class CSelectObject
{
public:
    CSelectObject(HDC dc, HGDIOBJ obj) noexcept
        : m_dc(dc), m_old(obj ? ::SelectObject(dc, obj) : nullptr)
    {
    }
    CSelectObject(const CSelectObject&) = delete;
    CSelectObject& operator=(const CSelectObject&) = delete;
    ~CSelectObject()
    {
        if (m_old)
            ::SelectObject(m_dc, m_old);
    }

private:
    HDC m_dc;
    HGDIOBJ m_old;
};

// Screen or window DC taken with GetDC, given back with ReleaseDC.
class CClientDC
{
public:
    explicit CClientDC(HWND hwnd) noexcept : m_hwnd(hwnd), m_dc(::GetDC(hwnd)) {}
    CClientDC(const CClientDC&) = delete;
    CClientDC& operator=(const CClientDC&) = delete;
    ~CClientDC()
    {
        if (m_dc)
            ::ReleaseDC(m_hwnd, m_dc);
    }
    HDC Get() const noexcept { return m_dc; }

private:
    HWND m_hwnd;
    HDC m_dc;
};

// Minimal owning COM interface pointer.
template <typename T> class CComPtr
{
public:
    CComPtr() noexcept = default;
    CComPtr(const CComPtr&) = delete;
    CComPtr& operator=(const CComPtr&) = delete;
    ~CComPtr() { Release(); }

    T* Get() const noexcept { return m_p; }
    T* operator->() const noexcept { return m_p; }
    explicit operator bool() const noexcept { return m_p != nullptr; }
    T** Receive() noexcept
    {
        Release();
        return &m_p;
    }
    void** ReceiveVoid() noexcept { return reinterpret_cast<void**>(Receive()); }
    // Hands the reference to the caller.
    T* Detach() noexcept { return std::exchange(m_p, nullptr); }
    void Release() noexcept
    {
        if (m_p)
        {
            T* p = m_p;
            m_p = nullptr;
            p->Release();
        }
    }

private:
    T* m_p = nullptr;
};

// The calling thread's COM apartment for the length of one operation. A successful open (S_OK, or
// S_FALSE when the thread already had a single-threaded apartment) is balanced on destruction,
// so the thread leaves the operation in the state it entered it.
class CApartment
{
public:
    CApartment() noexcept : m_hr(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)) {}
    CApartment(const CApartment&) = delete;
    CApartment& operator=(const CApartment&) = delete;
    ~CApartment()
    {
        if (SUCCEEDED(m_hr))
            ::CoUninitialize();
    }
    bool IsOpen() const noexcept { return SUCCEEDED(m_hr); }

private:
    HRESULT m_hr;
};

// Owner of one VARIANT: whatever it holds (a BSTR, an interface) is freed with it.
class CVariant
{
public:
    CVariant() noexcept { ::VariantInit(&m_v); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;
    ~CVariant() { ::VariantClear(&m_v); }
    VARIANT& Get() noexcept { return m_v; }
    void Clear() noexcept { ::VariantClear(&m_v); }

private:
    VARIANT m_v;
};

} // namespace fw
