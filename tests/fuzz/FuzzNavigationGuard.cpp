// The panel's navigation guard on two addresses (UTF-16 units, split at the first NUL): a refused
// first address fixes nothing; an allowed one allows itself again, in any ASCII case; being of
// one origin is symmetric.
#include "FuzzCheck.h"
#include "net/NavigationGuard.h"

using panelguard::CNavigationGuard;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    std::wstring units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const std::wstring first = units.substr(0, units.find(L'\0'));
    const std::wstring second =
        first.size() < units.size() ? units.substr(first.size() + 1) : std::wstring();
    std::wstring upper = first;
    for (wchar_t& c : upper)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;

    CNavigationGuard guard;
    const bool allowedFirst = guard.Allow(first.c_str());
    const bool allowedSecond = guard.Allow(second.c_str());
    if (!allowedFirst)
    {
        FUZZ_CHECK(allowedSecond == CNavigationGuard().Allow(second.c_str()));
        return 0;
    }
    FUZZ_CHECK(guard.Allow(first.c_str()));
    FUZZ_CHECK(guard.Allow(upper.c_str()));
    if (allowedSecond)
    {
        CNavigationGuard other;
        FUZZ_CHECK(other.Allow(second.c_str()) && other.Allow(first.c_str()));
    }
    return 0;
}
