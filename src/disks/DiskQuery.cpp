#include "DiskQuery.h"

#include "framework/Handles.h"

#include <sddl.h>

#include <vector>

namespace
{

// The WMI entry point, named here so that the program needs no extra import library.
const CLSID kClsidWbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
const IID kIidWbemLocator = {
    0xdc12a687, 0x737f, 0x11cf, {0x88, 0x4d, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};

// Who may call into this process's COM objects once its security is fixed: SYSTEM and the
// Administrators, at high integrity (COM_RIGHTS_EXECUTE | COM_RIGHTS_EXECUTE_LOCAL). The query
// needs no incoming calls at all; the default would admit every caller. Systems without
// integrity levels (XP) take the same list without the label.
const char* const kComAccess[] = {"O:BAG:BAD:(A;;0x3;;;SY)(A;;0x3;;;BA)S:(ML;;NX;;;HI)",
                                  "O:BAG:BAD:(A;;0x3;;;SY)(A;;0x3;;;BA)"};

// The descriptor in the absolute form COM asks for; its parts live as long as the object.
class CComAccessDescriptor
{
public:
    CComAccessDescriptor()
    {
        for (const char* text : kComAccess)
        {
            PSECURITY_DESCRIPTOR relative = nullptr;
            if (!::ConvertStringSecurityDescriptorToSecurityDescriptorA(text, SDDL_REVISION_1,
                                                                        &relative, nullptr))
                continue;
            const bool made = MakeAbsolute(relative);
            ::LocalFree(relative);
            if (made)
                return;
        }
    }
    CComAccessDescriptor(const CComAccessDescriptor&) = delete;
    CComAccessDescriptor& operator=(const CComAccessDescriptor&) = delete;

    // Null when no descriptor could be made.
    PSECURITY_DESCRIPTOR Get() { return m_made ? m_descriptor.data() : nullptr; }

private:
    static BYTE* DataOrNull(std::vector<BYTE>& part)
    {
        return part.empty() ? nullptr : part.data();
    }

    bool MakeAbsolute(PSECURITY_DESCRIPTOR relative)
    {
        DWORD sizes[5] = {};
        ::MakeAbsoluteSD(relative, nullptr, &sizes[0], nullptr, &sizes[1], nullptr, &sizes[2],
                         nullptr, &sizes[3], nullptr, &sizes[4]);
        std::vector<BYTE>* parts[5] = {&m_descriptor, &m_dacl, &m_sacl, &m_owner, &m_group};
        for (int i = 0; i < 5; ++i)
            parts[i]->assign(sizes[i], 0);
        m_made = sizes[0] != 0 &&
                 ::MakeAbsoluteSD(relative, DataOrNull(m_descriptor), &sizes[0],
                                  reinterpret_cast<PACL>(DataOrNull(m_dacl)), &sizes[1],
                                  reinterpret_cast<PACL>(DataOrNull(m_sacl)), &sizes[2],
                                  DataOrNull(m_owner), &sizes[3], DataOrNull(m_group), &sizes[4]);
        return m_made;
    }

    std::vector<BYTE> m_descriptor, m_dacl, m_sacl, m_owner, m_group;
    bool m_made = false;
};

class CBstr
{
public:
    explicit CBstr(const wchar_t* text) noexcept : m_b(::SysAllocString(text)) {}
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    ~CBstr() { ::SysFreeString(m_b); }
    BSTR Get() const noexcept { return m_b; }

private:
    BSTR m_b;
};

} // namespace

CoInitializeSecurityFn g_pfnCoInitializeSecurity = &::CoInitializeSecurity;

void ReadDiskProperty(IWbemClassObject& disk, const wchar_t* name, VARIANT& value)
{
    ::VariantClear(&value);
    disk.Get(name, 0, &value, nullptr, nullptr);
}

bool RunDiskQuery(CDiskVisitor& perDisk)
{
    fw::CApartment apartment;
    if (!apartment.IsOpen())
        return false;

    // Security can be fixed once per process; this query is the only place that does it. The
    // process takes interface pointers from WMI and from the desktop shell, which runs at the
    // user's level: none of them may name an unmarshaller of its own to be loaded here.
    CComAccessDescriptor access;
    if (!access.Get() ||
        FAILED(g_pfnCoInitializeSecurity(access.Get(), -1, nullptr, nullptr,
                                         RPC_C_AUTHN_LEVEL_DEFAULT, RPC_C_IMP_LEVEL_IMPERSONATE,
                                         nullptr, EOAC_NO_CUSTOM_MARSHAL, nullptr)))
        return false;

    // Declared so that leaving the scope releases the services, then the locator, then the
    // enumerator, before the apartment closes.
    fw::CComPtr<IEnumWbemClassObject> enumerator;
    fw::CComPtr<IWbemLocator> locator;
    fw::CComPtr<IWbemServices> services;

    if (FAILED(::CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER, kIidWbemLocator,
                                  locator.ReceiveVoid())) ||
        !locator)
        return false;

    CBstr nameSpace(L"ROOT\\CIMV2");
    if (FAILED(locator->ConnectServer(nameSpace.Get(), nullptr, nullptr, nullptr, 0, nullptr,
                                      nullptr, services.Receive())) ||
        !services)
        return false;

    if (FAILED(::CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                   RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                   EOAC_NONE)))
        return false;

    CBstr language(L"WQL");
    CBstr query(L"SELECT * FROM Win32_DiskDrive");
    if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   enumerator.Receive())))
        return false;

    // The one value holder of a query; cleared after every disk and when the query ends.
    fw::CVariant value;
    while (enumerator)
    {
        fw::CComPtr<IWbemClassObject> disk;
        ULONG returned = 0;
        enumerator->Next(WBEM_INFINITE, 1, disk.Receive(), &returned);
        if (returned == 0 || !disk)
            break;
        perDisk.VisitDisk(*disk.Get(), value.Get());
        value.Clear();
    }
    return true;
}
