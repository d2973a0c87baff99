// Registry settings a test needs for its duration, restored afterwards.
#include "e2e/E2e.h"

namespace e2e
{
ScopedRegString::ScopedRegString(HKEY root, const std::string& subkey, const std::string& name,
                                 const std::string& value, REGSAM view)
    : m_root(root), m_subkey(subkey), m_name(name), m_view(view)
{
    // Remember the highest key that does not exist yet: it (and what lies below) goes afterwards.
    std::string path;
    size_t pos = 0;
    while (pos != std::string::npos)
    {
        pos = subkey.find('\\', pos ? pos + 1 : 0);
        path = subkey.substr(0, pos);
        HKEY k = nullptr;
        if (::RegOpenKeyExA(root, path.c_str(), 0, KEY_READ | view, &k) != ERROR_SUCCESS)
        {
            m_createdTop = path;
            break;
        }
        ::RegCloseKey(k);
    }
    HKEY key = nullptr;
    if (::RegCreateKeyExA(root, subkey.c_str(), 0, nullptr, 0, KEY_READ | KEY_WRITE | view, nullptr,
                          &key, nullptr) != ERROR_SUCCESS)
        return;
    DWORD size = 0;
    if (::RegQueryValueExA(key, name.empty() ? nullptr : name.c_str(), nullptr, &m_oldType, nullptr,
                           &size) == ERROR_SUCCESS)
    {
        m_oldData.resize(size);
        m_hadValue = ::RegQueryValueExA(key, name.empty() ? nullptr : name.c_str(), nullptr,
                                        &m_oldType, m_oldData.data(), &size) == ERROR_SUCCESS;
    }
    m_ok = ::RegSetValueExA(key, name.empty() ? nullptr : name.c_str(), 0, REG_SZ,
                            reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>(value.size() + 1)) == ERROR_SUCCESS;
    ::RegCloseKey(key);
}

ScopedRegString::~ScopedRegString()
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
    const char* name = m_name.empty() ? nullptr : m_name.c_str();
    if (m_hadValue)
        ::RegSetValueExA(key, name, 0, m_oldType, m_oldData.data(),
                         static_cast<DWORD>(m_oldData.size()));
    else
        ::RegDeleteValueA(key, name);
    ::RegCloseKey(key);
}
} // namespace e2e
