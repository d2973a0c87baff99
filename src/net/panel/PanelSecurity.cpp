#include "PanelSecurity.h"

#include "framework/ComObject.h"

#include <cstring>
#include <new>

namespace panelguard
{

namespace
{

class CSecurityManager final : public fw::CComObject<IInternetSecurityManager>
{
public:
    explicit CSecurityManager(IInternetZoneManager* zones) : m_zones(zones)
    {
        if (m_zones)
            m_zones->AddRef();
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (riid != IID_IUnknown && riid != IID_IInternetSecurityManager)
            return E_NOINTERFACE;
        *object = static_cast<IInternetSecurityManager*>(this);
        AddRef();
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE SetSecuritySite(IInternetSecurityMgrSite*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE GetSecuritySite(IInternetSecurityMgrSite** site) override
    {
        if (site)
            *site = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE MapUrlToZone(LPCWSTR, DWORD* zone, DWORD) override
    {
        if (!zone)
            return E_INVALIDARG;
        *zone = URLZONE_UNTRUSTED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetSecurityId(LPCWSTR, BYTE*, DWORD*, DWORD_PTR) override
    {
        return INET_E_DEFAULT_ACTION;
    }
    HRESULT STDMETHODCALLTYPE ProcessUrlAction(LPCWSTR, DWORD action, BYTE* policy,
                                               DWORD policySize, BYTE*, DWORD, DWORD,
                                               DWORD) override
    {
        DWORD value = URLPOLICY_DISALLOW;
        if (!m_zones || FAILED(m_zones->GetZoneActionPolicy(URLZONE_UNTRUSTED, action,
                                                            reinterpret_cast<BYTE*>(&value),
                                                            sizeof(value), URLZONEREG_HKLM)))
            value = URLPOLICY_DISALLOW;
        // Nobody is asked in the elevated process: what the zone would ask about is refused.
        if (GetUrlPolicyPermissions(value) == URLPOLICY_QUERY)
            SetUrlPolicyPermissions(value, URLPOLICY_DISALLOW);
        if (policy && policySize >= sizeof(value))
            std::memcpy(policy, &value, sizeof(value));
        return GetUrlPolicyPermissions(value) == URLPOLICY_ALLOW ? S_OK : S_FALSE;
    }
    // Custom policies are asked for objects and applets, which the panel never runs.
    HRESULT STDMETHODCALLTYPE QueryCustomPolicy(LPCWSTR, REFGUID, BYTE** policy, DWORD* size, BYTE*,
                                                DWORD, DWORD) override
    {
        if (policy)
            *policy = nullptr;
        if (size)
            *size = 0;
        return E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE SetZoneMapping(DWORD, LPCWSTR, DWORD) override
    {
        return E_ACCESSDENIED;
    }
    HRESULT STDMETHODCALLTYPE GetZoneMappings(DWORD, IEnumString**, DWORD) override
    {
        return INET_E_DEFAULT_ACTION;
    }

private:
    ~CSecurityManager() override
    {
        if (m_zones)
            m_zones->Release();
    }

    IInternetZoneManager* m_zones;
};

} // namespace

HRESULT CreateSecurityManager(IInternetZoneManager* zones, IInternetSecurityManager** manager)
{
    if (!manager)
        return E_POINTER;
    *manager = new (std::nothrow) CSecurityManager(zones);
    return *manager ? S_OK : E_OUTOFMEMORY;
}

} // namespace panelguard
