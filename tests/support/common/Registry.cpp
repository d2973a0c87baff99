#include "common/Registry.h"

namespace testsupport
{

RegData RegData::String(const std::string& text)
{
    RegData data;
    data.type = REG_SZ;
    data.bytes.assign(text.begin(), text.end());
    data.bytes.push_back(0);
    return data;
}

RegData RegData::Dword(DWORD value)
{
    RegData data;
    data.type = REG_DWORD;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    data.bytes.assign(bytes, bytes + sizeof(value));
    return data;
}

namespace
{
const char* ValueName(const std::string& name)
{
    return name.empty() ? nullptr : name.c_str();
}
} // namespace

void CScopedRegValue::Save()
{
    // The highest key that does not exist yet: it (and what lies below) goes afterwards.
    size_t pos = 0;
    while (pos != std::string::npos)
    {
        pos = m_subkey.find('\\', pos ? pos + 1 : 0);
        const std::string path = m_subkey.substr(0, pos);
        HKEY k = nullptr;
        if (::RegOpenKeyExA(m_root, path.c_str(), 0, KEY_READ | m_view, &k) != ERROR_SUCCESS)
        {
            m_createdTop = path;
            return;
        }
        ::RegCloseKey(k);
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(m_root, m_subkey.c_str(), 0, KEY_READ | m_view, &key) != ERROR_SUCCESS)
        return;
    DWORD type = 0, size = 0;
    if (::RegQueryValueExA(key, ValueName(m_name), nullptr, &type, nullptr, &size) == ERROR_SUCCESS)
    {
        RegData old;
        old.type = type;
        old.bytes.resize(size);
        if (::RegQueryValueExA(key, ValueName(m_name), nullptr, &type,
                               size ? old.bytes.data() : nullptr, &size) == ERROR_SUCCESS)
        {
            old.bytes.resize(size);
            m_old = old;
        }
    }
    ::RegCloseKey(key);
}

CScopedRegValue::CScopedRegValue(HKEY root, const std::string& subkey, const std::string& name,
                                 std::optional<RegData> value, REGSAM view)
    : m_root(root), m_subkey(subkey), m_name(name), m_view(view)
{
    Save();
    if (!value)
    {
        // Absent: a missing key already means a missing value.
        HKEY key = nullptr;
        if (::RegOpenKeyExA(root, subkey.c_str(), 0, KEY_SET_VALUE | view, &key) != ERROR_SUCCESS)
        {
            m_createdTop.clear();
            m_ok = true;
            return;
        }
        const LONG rc = ::RegDeleteValueA(key, ValueName(name));
        m_ok = rc == ERROR_SUCCESS || rc == ERROR_FILE_NOT_FOUND;
        ::RegCloseKey(key);
        return;
    }
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return;
    m_ok = ::RegSetValueExA(key, ValueName(name), 0, value->type, value->bytes.data(),
                            static_cast<DWORD>(value->bytes.size())) == ERROR_SUCCESS;
    ::RegCloseKey(key);
}

CScopedRegValue::CScopedRegValue(HKEY root, const std::string& subkey, const std::string& name,
                                 Keep, REGSAM view)
    : m_root(root), m_subkey(subkey), m_name(name), m_view(view)
{
    Save();
    m_ok = true;
}

CScopedRegValue::~CScopedRegValue()
{
    if (!m_createdTop.empty())
    {
        ::RegDeleteTreeA(m_root, m_createdTop.c_str());
        ::RegDeleteKeyExA(m_root, m_createdTop.c_str(), m_view, 0);
        return;
    }
    HKEY key = nullptr;
    if (::RegOpenKeyExA(m_root, m_subkey.c_str(), 0, KEY_WRITE | m_view, &key) != ERROR_SUCCESS)
        return;
    if (m_old)
        ::RegSetValueExA(key, ValueName(m_name), 0, m_old->type, m_old->bytes.data(),
                         static_cast<DWORD>(m_old->bytes.size()));
    else
        ::RegDeleteValueA(key, ValueName(m_name));
    ::RegCloseKey(key);
}

} // namespace testsupport
