#include "Accessible.h"

#include "ComObject.h"
#include "Handles.h"
#include "SystemLibrary.h"

#include <oleacc.h>

namespace fw
{

namespace
{
using CreateStdAccessibleObjectFn = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
using LresultFromObjectFn = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);

// The accessibility library, loaded from the system folder on the first question and kept for the
// life of the process (objects it made may be held by a screen reader at any time).
struct OleAcc
{
    CreateStdAccessibleObjectFn createStd = nullptr;
    LresultFromObjectFn lresultFromObject = nullptr;
};

const OleAcc& Library()
{
    static const OleAcc library = []
    {
        OleAcc found;
        HMODULE module = LoadSystemLibrary("oleacc.dll");
        if (module)
        {
            found.createStd = reinterpret_cast<CreateStdAccessibleObjectFn>(
                reinterpret_cast<void*>(::GetProcAddress(module, "CreateStdAccessibleObject")));
            found.lresultFromObject = reinterpret_cast<LresultFromObjectFn>(
                reinterpret_cast<void*>(::GetProcAddress(module, "LresultFromObject")));
        }
        return found;
    }();
    return library;
}

bool IsSelf(const VARIANT& child)
{
    return child.vt == VT_I4 && child.lVal == CHILDID_SELF;
}

HRESULT Text(const wchar_t* text, BSTR* out)
{
    if (!out)
        return E_POINTER;
    *out = ::SysAllocString(text);
    return *out ? S_OK : E_OUTOFMEMORY;
}

class CAccessibleOverlay : public CComObject<CDispatchFrom<IAccessible>>
{
public:
    CAccessibleOverlay(HWND hwnd, IAccessible* inner, const AccessibleFacts& facts)
        : m_hwnd(hwnd), m_facts(facts)
    {
        inner->AddRef();
        *m_inner.Receive() = inner;
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        if (iid == IID_IUnknown || iid == IID_IDispatch || iid == __uuidof(IAccessible))
        {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }

    // What differs.
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (IsSelf(child) && !m_facts.name.empty())
            return Text(m_facts.name.data(), name);
        return m_inner->get_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child) || m_facts.role == 0)
            return m_inner->get_accRole(child, role);
        if (!role)
            return E_POINTER;
        ::VariantInit(role);
        role->vt = VT_I4;
        role->lVal = m_facts.role;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        HRESULT hr = m_inner->get_accState(child, state);
        if (IsSelf(child) && SUCCEEDED(hr) && state && state->vt == VT_I4)
            state->lVal = (state->lVal & ~m_facts.removeState) | m_facts.addState;
        return hr;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        if (IsSelf(child) && m_facts.defaultAction)
            return Text(m_facts.defaultAction, action);
        return m_inner->get_accDefaultAction(child, action);
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        if (!IsSelf(child) || !m_facts.clickOnDefaultAction)
            return m_inner->accDoDefaultAction(child);
        // Posted: the screen reader waits for no command of ours to finish.
        // Not while the dialog takes no input (an apply runs): a click could not reach it either.
        HWND parent = ::GetParent(m_hwnd);
        if (!parent || !::IsWindowEnabled(m_hwnd) ||
            !::IsWindowEnabled(::GetAncestor(m_hwnd, GA_ROOT)))
            return E_FAIL;
        const WORD id = static_cast<WORD>(::GetDlgCtrlID(m_hwnd));
        ::PostMessageW(parent, WM_COMMAND, MAKEWPARAM(id, STN_CLICKED),
                       reinterpret_cast<LPARAM>(m_hwnd));
        return S_OK;
    }

    // The rest: what the proxy answers.
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override
    {
        return m_inner->get_accParent(parent);
    }
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override
    {
        return m_inner->get_accChildCount(count);
    }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        return m_inner->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return m_inner->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return m_inner->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* text) override
    {
        return m_inner->get_accHelp(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override
    {
        return m_inner->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        return m_inner->get_accKeyboardShortcut(child, keys);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override
    {
        return m_inner->get_accFocus(child);
    }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override
    {
        return m_inner->get_accSelection(children);
    }
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override
    {
        return m_inner->accSelect(flags, child);
    }
    HRESULT STDMETHODCALLTYPE accLocation(long* x, long* y, long* cx, long* cy,
                                          VARIANT child) override
    {
        return m_inner->accLocation(x, y, cx, cy, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(long dir, VARIANT start, VARIANT* end) override
    {
        return m_inner->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override
    {
        return m_inner->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override
    {
        return m_inner->put_accName(child, name);
    }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return m_inner->put_accValue(child, value);
    }

private:
    // IDispatch: what the proxy answers.
    IDispatch* DispatchTarget() const override { return m_inner.Get(); }

    HWND m_hwnd;
    CComPtr<IAccessible> m_inner;
    AccessibleFacts m_facts;
};
} // namespace

LRESULT AnswerGetObject(HWND hwnd, WPARAM wParam, LPARAM lParam, const AccessibleFacts& facts,
                        bool* handled)
{
    *handled = false;
    if (static_cast<LONG>(lParam) != OBJID_CLIENT)
        return 0;
    const OleAcc& oleacc = Library();
    if (!oleacc.createStd || !oleacc.lresultFromObject)
        return 0;
    CComPtr<IAccessible> proxy;
    if (FAILED(oleacc.createStd(hwnd, OBJID_CLIENT, __uuidof(IAccessible), proxy.ReceiveVoid())) ||
        !proxy)
        return 0;
    auto* overlay = new CAccessibleOverlay(hwnd, proxy.Get(), facts);
    const LRESULT result = oleacc.lresultFromObject(__uuidof(IAccessible), wParam, overlay);
    overlay->Release();
    *handled = true;
    return result;
}

LRESULT CNamedControl::WindowProc(UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_GETOBJECT)
    {
        bool handled = false;
        LRESULT result = AnswerGetObject(m_hWnd, wParam, lParam, m_facts, &handled);
        if (handled)
            return result;
    }
    return CWnd::WindowProc(msg, wParam, lParam);
}

} // namespace fw
