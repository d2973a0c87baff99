// The program's only way into the registry: one open key and the few value reads and writes the
// configuration back-end needs. Every call hands back the registry's own status (0 = success).
#pragma once

#include <windows.h>

#include "framework/Handles.h"

namespace sysconfig
{

struct RegistryKeyTraits
{
    using handle_type = HKEY;
    static HKEY Invalid() noexcept { return nullptr; }
    static void Close(HKEY h) noexcept { ::RegCloseKey(h); }
};

} // namespace sysconfig

class CRegistryKey
{
public:
    // The longest string value QueryStringValue reads, in bytes; the caller's buffer must hold
    // at least this much.
    static constexpr DWORD kMaxStringBytes = 520;

    CRegistryKey() = default;
    CRegistryKey(const CRegistryKey&) = delete;
    CRegistryKey& operator=(const CRegistryKey&) = delete;
    virtual ~CRegistryKey();

    // Opens subKey under root with the default access rights. A key still held is released
    // first, so a second Open on the same object can never leak the first handle.
    LONG Open(HKEY root, const char* subKey);
    void Close();
    bool IsOpen() const { return static_cast<bool>(m_key); }

    LONG SetDWordValue(const char* name, DWORD value);
    // Stores text as a well-formed list of exactly one string (text, its NUL and the list's
    // closing NUL); the empty text stores the empty list, two NUL bytes.
    LONG SetMultiStringValue(const char* name, const char* text);

    // value is written only on success.
    LONG QueryDWordValue(const char* name, DWORD& value);
    // Reads a value of at most kMaxStringBytes bytes into buffer (which must hold that many),
    // up to its first NUL; a multi-string yields its first string. The last byte read is
    // always treated as the terminator. buffer is written only on success.
    LONG QueryStringValue(const char* name, char* buffer);

private:
    fw::CHandleOwner<sysconfig::RegistryKeyTraits> m_key;
};
