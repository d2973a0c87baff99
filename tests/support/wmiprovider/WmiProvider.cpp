#include "WmiProvider.h"

#include "framework/ComObject.h"

#include <objidl.h>
#include <wbemidl.h>

#include <string>
#include <vector>

namespace
{

const CLSID kClsidWbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};

TestWmiRecord g_record;

void Copy(wchar_t* to, size_t size, const wchar_t* from)
{
    lstrcpynW(to, from ? from : L"", static_cast<int>(size));
}

// QueryInterface shared by every object of the stand-in.
template <typename... Interfaces> class CObject : public fw::CComObject<Interfaces...>
{
public:
    CObject() { InterlockedIncrement(&g_record.liveObjects); }
    ~CObject() override { InterlockedDecrement(&g_record.liveObjects); }

    STDMETHODIMP QueryInterface(REFIID riid, void** out) override
    {
        *out = nullptr;
        if (riid == IID_IUnknown)
            *out = static_cast<IUnknown*>(static_cast<First*>(this));
        else
            Find<Interfaces...>(riid, out);
        if (!*out)
            return E_NOINTERFACE;
        this->AddRef();
        return S_OK;
    }

private:
    template <typename I, typename...> struct Head
    {
        using type = I;
    };
    using First = typename Head<Interfaces...>::type;
    template <typename I, typename... Rest> void Find(REFIID riid, void** out)
    {
        if (riid == __uuidof(I))
            *out = static_cast<I*>(this);
        else if constexpr (sizeof...(Rest) > 0)
            Find<Rest...>(riid, out);
    }
};

#define NOT_HERE(...)                                                                              \
    STDMETHODIMP __VA_ARGS__ override                                                              \
    {                                                                                              \
        return WBEM_E_NOT_SUPPORTED;                                                               \
    }

class CDisk : public CObject<IWbemClassObject>
{
public:
    explicit CDisk(const wchar_t* model)
        : m_hasModel(model != nullptr), m_model(model ? model : L"")
    {
    }
    STDMETHODIMP Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type, LONG*) override
    {
        if (lstrcmpiW(name, L"Model") != 0)
            return WBEM_E_NOT_FOUND;
        if (type)
            *type = CIM_STRING;
        if (m_hasModel)
        {
            value->vt = VT_BSTR;
            value->bstrVal = SysAllocString(m_model.c_str());
        }
        else
            value->vt = VT_NULL;
        return S_OK;
    }
    NOT_HERE(GetQualifierSet(IWbemQualifierSet**))
    NOT_HERE(Put(LPCWSTR, LONG, VARIANT*, CIMTYPE))
    NOT_HERE(Delete(LPCWSTR))
    NOT_HERE(GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**))
    NOT_HERE(BeginEnumeration(LONG))
    NOT_HERE(Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*))
    NOT_HERE(EndEnumeration())
    NOT_HERE(GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**))
    NOT_HERE(Clone(IWbemClassObject**))
    NOT_HERE(GetObjectText(LONG, BSTR*))
    NOT_HERE(SpawnDerivedClass(LONG, IWbemClassObject**))
    NOT_HERE(SpawnInstance(LONG, IWbemClassObject**))
    NOT_HERE(CompareTo(LONG, IWbemClassObject*))
    NOT_HERE(GetPropertyOrigin(LPCWSTR, BSTR*))
    NOT_HERE(InheritsFrom(LPCWSTR))
    NOT_HERE(GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**))
    NOT_HERE(PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*))
    NOT_HERE(DeleteMethod(LPCWSTR))
    NOT_HERE(BeginMethodEnumeration(LONG))
    NOT_HERE(NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**))
    NOT_HERE(EndMethodEnumeration())
    NOT_HERE(GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**))
    NOT_HERE(GetMethodOrigin(LPCWSTR, BSTR*))

private:
    bool m_hasModel;
    std::wstring m_model;
};

std::vector<std::pair<bool, std::wstring>> ConfiguredModels()
{
    char buffer[4096] = {};
    DWORD n = GetEnvironmentVariableA(TEST_WMI_MODELS_VARIABLE, buffer, sizeof(buffer));
    std::string list = (n > 0 && n < sizeof(buffer)) ? std::string(buffer, n) : "Acme Ssd 120G";
    std::vector<std::pair<bool, std::wstring>> models;
    size_t start = 0;
    while (start <= list.size())
    {
        size_t end = list.find('|', start);
        std::string item = list.substr(start, end == std::string::npos ? end : end - start);
        std::wstring wide(item.size() + 1, L'\0');
        int got = MultiByteToWideChar(CP_UTF8, 0, item.data(), static_cast<int>(item.size()),
                                      &wide[0], static_cast<int>(wide.size()));
        wide.resize(got > 0 ? static_cast<size_t>(got) : 0u);
        models.emplace_back(item != "<null>", wide);
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return models;
}

class CEnumerator : public CObject<IEnumWbemClassObject>
{
public:
    STDMETHODIMP Next(LONG, ULONG count, IWbemClassObject** objects, ULONG* returned) override
    {
        *returned = 0;
        if (count == 0)
            return WBEM_S_NO_ERROR;
        if (m_next >= m_models.size())
            return WBEM_S_FALSE;
        const auto& model = m_models[m_next++];
        objects[0] = new CDisk(model.first ? model.second.c_str() : nullptr);
        *returned = 1;
        return count == 1 ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }
    NOT_HERE(Reset())
    NOT_HERE(NextAsync(ULONG, IWbemObjectSink*))
    NOT_HERE(Clone(IEnumWbemClassObject**))
    NOT_HERE(Skip(LONG, ULONG))

private:
    std::vector<std::pair<bool, std::wstring>> m_models = ConfiguredModels();
    size_t m_next = 0;
};

class CServices : public CObject<IWbemServices, IClientSecurity>
{
public:
    STDMETHODIMP ExecQuery(const BSTR language, const BSTR query, LONG flags, IWbemContext*,
                           IEnumWbemClassObject** result) override
    {
        InterlockedIncrement(&g_record.queries);
        Copy(g_record.language, ARRAYSIZE(g_record.language), language);
        Copy(g_record.query, ARRAYSIZE(g_record.query), query);
        g_record.queryFlags = flags;
        *result = new CEnumerator;
        return S_OK;
    }
    STDMETHODIMP QueryBlanket(IUnknown*, DWORD*, DWORD*, OLECHAR**, DWORD*, DWORD*, void**,
                              DWORD*) override
    {
        return E_NOTIMPL;
    }
    STDMETHODIMP SetBlanket(IUnknown*, DWORD authn, DWORD, OLECHAR*, DWORD level, DWORD imp, void*,
                            DWORD) override
    {
        g_record.authnService = authn;
        g_record.authnLevel = level;
        g_record.impLevel = imp;
        return S_OK;
    }
    STDMETHODIMP CopyProxy(IUnknown*, IUnknown**) override { return E_NOTIMPL; }
    NOT_HERE(OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**, IWbemCallResult**))
    NOT_HERE(CancelAsyncCall(IWbemObjectSink*))
    NOT_HERE(QueryObjectSink(LONG, IWbemObjectSink**))
    NOT_HERE(GetObject(const BSTR, LONG, IWbemContext*, IWbemClassObject**, IWbemCallResult**))
    NOT_HERE(GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**))
    NOT_HERE(PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**))
    NOT_HERE(DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**))
    NOT_HERE(CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(PutInstance(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**))
    NOT_HERE(PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**))
    NOT_HERE(DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**))
    NOT_HERE(CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*))
    NOT_HERE(ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                   IEnumWbemClassObject**))
    NOT_HERE(ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                        IWbemObjectSink*))
    NOT_HERE(ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                        IWbemClassObject**, IWbemCallResult**))
    NOT_HERE(ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                             IWbemObjectSink*))
};

class CLocator : public CObject<IWbemLocator>
{
public:
    STDMETHODIMP ConnectServer(const BSTR resource, const BSTR, const BSTR, const BSTR, LONG,
                               const BSTR, IWbemContext*, IWbemServices** services) override
    {
        Copy(g_record.nameSpace, ARRAYSIZE(g_record.nameSpace), resource);
        *services = new CServices;
        return S_OK;
    }
};

class CFactory : public CObject<IClassFactory>
{
public:
    STDMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** out) override
    {
        *out = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        CLocator* locator = new CLocator;
        HRESULT hr = locator->QueryInterface(riid, out);
        locator->Release();
        return hr;
    }
    STDMETHODIMP LockServer(BOOL) override { return S_OK; }
};

} // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI
    DllGetClassObject(REFCLSID clsid, REFIID riid, void** out)
{
    *out = nullptr;
    if (clsid != kClsidWbemLocator)
        return CLASS_E_CLASSNOTAVAILABLE;
    CFactory* factory = new CFactory;
    HRESULT hr = factory->QueryInterface(riid, out);
    factory->Release();
    return hr;
}

// Never unloaded while the process runs, so that a test can read the record after COM let go.
extern "C" __declspec(dllexport) HRESULT WINAPI DllCanUnloadNow()
{
    return S_FALSE;
}

extern "C" __declspec(dllexport) TestWmiRecord* WINAPI TestWmiGetRecord()
{
    return &g_record;
}
