// The panel's navigation guard on two addresses (UTF-16 units, each ended by a NUL): only http(s)
// is readable; a page that ended on an unreadable address closes the guard for good, one that
// ended on a readable one allows it again, in any ASCII case, a frame's fixes nothing; being of
// one origin is symmetric; a later load ends well exactly where a navigation would be allowed.
#include "FuzzCheck.h"
#include "net/panel/NavigationGuard.h"

using panelguard::CNavigationGuard;

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    std::wstring units;
    for (size_t i = 0; i + 1 < size; i += 2)
        units += static_cast<wchar_t>(data[i] | data[i + 1] << 8);
    const std::wstring first = units.substr(0, units.find(L'\0'));
    const std::wstring rest =
        first.size() < units.size() ? units.substr(first.size() + 1) : std::wstring();
    const std::wstring second = rest.substr(0, rest.find(L'\0'));
    std::wstring upper = first;
    for (wchar_t& c : upper)
        c = c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
    const bool blank = first == L"about:blank";

    CNavigationGuard guard;
    const bool readable = CNavigationGuard().Allow(first.c_str());
    FUZZ_CHECK(!readable || upper.rfind(L"HTTP://", 0) == 0 || upper.rfind(L"HTTPS://", 0) == 0);
    CNavigationGuard framed;
    if (framed.Completed(first.c_str(), false))
        FUZZ_CHECK(framed.Allow(second.c_str()) == CNavigationGuard().Allow(second.c_str()));
    if (!guard.Completed(first.c_str(), true))
    {
        FUZZ_CHECK(!readable && !blank);
        FUZZ_CHECK(!guard.Allow(second.c_str()) && !guard.Completed(second.c_str(), true));
        return 0;
    }
    if (blank)
        return 0;
    FUZZ_CHECK(readable && guard.Allow(first.c_str()) && guard.Allow(upper.c_str()));
    const bool allowedSecond = guard.Allow(second.c_str());
    if (allowedSecond)
    {
        CNavigationGuard other;
        FUZZ_CHECK(other.Completed(second.c_str(), true) && other.Allow(first.c_str()));
    }
    FUZZ_CHECK(guard.Completed(second.c_str(), true) ==
               (allowedSecond || second == L"about:blank"));
    return 0;
}
