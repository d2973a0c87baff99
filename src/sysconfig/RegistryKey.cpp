#include "RegistryKey.h"

#include <cstring>
#include <string>

CRegistryKey::~CRegistryKey()
{
    Close();
}

LONG CRegistryKey::Open(HKEY root, const char* subKey)
{
    HKEY* slot = m_key.Receive();
    LONG status = ::RegOpenKeyA(root, subKey, slot);
    if (status != ERROR_SUCCESS)
        *slot = nullptr; // Not every Windows version clears the output on failure.
    return status;
}

void CRegistryKey::Close()
{
    m_key.Reset();
}

LONG CRegistryKey::SetDWordValue(const char* name, DWORD value)
{
    return ::RegSetValueExA(m_key.Get(), name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                            sizeof(value));
}

LONG CRegistryKey::SetMultiStringValue(const char* name, const char* text)
{
    // A list of one string, stored well formed: the string, its NUL and the NUL that ends the
    // list. The empty text is the empty list: two NULs.
    std::string data(text);
    data.append(2, '\0');
    return ::RegSetValueExA(m_key.Get(), name, 0, REG_MULTI_SZ,
                            reinterpret_cast<const BYTE*>(data.data()),
                            static_cast<DWORD>(data.size()));
}

LONG CRegistryKey::QueryDWordValue(const char* name, DWORD& value)
{
    DWORD type = 0;
    DWORD data = 0;
    DWORD size = sizeof(data);
    LONG status = ::RegQueryValueExA(m_key.Get(), name, nullptr, &type,
                                     reinterpret_cast<BYTE*>(&data), &size);
    if (status == ERROR_SUCCESS)
        value = data;
    return status;
}

LONG CRegistryKey::QueryStringValue(const char* name, char* buffer)
{
    // One byte more than we let the registry fill, so the text always ends inside the buffer.
    char local[kMaxStringBytes + 1] = {};
    DWORD type = 0;
    DWORD size = kMaxStringBytes;
    LONG status = ::RegQueryValueExA(m_key.Get(), name, nullptr, &type,
                                     reinterpret_cast<BYTE*>(local), &size);
    if (status != ERROR_SUCCESS)
        return status;
    // A value stored with its NUL keeps it here; one stored without loses its last character.
    if (size >= 1)
        local[size - 1] = '\0';
    std::memcpy(buffer, local, std::strlen(local) + 1);
    return ERROR_SUCCESS;
}
