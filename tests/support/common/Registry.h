// One registry value for a scope: set (or deleted, or only kept) now, and what was there before
// (the value, its absence, and any keys made for it) back on destruction.
#pragma once

#include <windows.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace testsupport
{

struct RegData
{
    DWORD type = REG_SZ;
    std::vector<BYTE> bytes;
    static RegData String(const std::string& text); // REG_SZ with its NUL
    static RegData Dword(DWORD value);
};

class CScopedRegValue
{
public:
    enum class Keep
    {
        AsItIs
    };
    // Sets the value; nothing deletes it. `view` may be KEY_WOW64_64KEY or KEY_WOW64_32KEY.
    CScopedRegValue(HKEY root, const std::string& subkey, const std::string& name,
                    std::optional<RegData> value, REGSAM view = 0);
    CScopedRegValue(HKEY root, const std::string& subkey, const std::string& name,
                    const std::string& text, REGSAM view = 0)
        : CScopedRegValue(root, subkey, name, RegData::String(text), view)
    {
    }
    // Leaves the value as it is now and puts it back afterwards, whatever the test does to it.
    CScopedRegValue(HKEY root, const std::string& subkey, const std::string& name, Keep,
                    REGSAM view = 0);
    ~CScopedRegValue();
    CScopedRegValue(const CScopedRegValue&) = delete;
    CScopedRegValue& operator=(const CScopedRegValue&) = delete;

    bool Ok() const { return m_ok; }

private:
    void Save();

    HKEY m_root;
    std::string m_subkey, m_name, m_createdTop;
    REGSAM m_view;
    bool m_ok = false;
    std::optional<RegData> m_old;
};

} // namespace testsupport
