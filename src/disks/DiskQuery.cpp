#include "DiskQuery.h"

#include "framework/ComSecurity.h"
#include "framework/Handles.h"

namespace
{

// The WMI entry point, named here so that the program needs no extra import library.
const CLSID kClsidWbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
const IID kIidWbemLocator = {
    0xdc12a687, 0x737f, 0x11cf, {0x88, 0x4d, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};

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

    // The process's security is fixed once: by the start-up, before any COM object existed, and
    // the query goes on under it. A program that has not fixed it has it fixed here; one whose
    // security was fixed otherwise before (the system's defaults) gets no query.
    if (!fw::SetProcessComSecurity())
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
