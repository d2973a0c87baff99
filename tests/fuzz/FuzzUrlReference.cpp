// A redirection's Location resolved against the update check's addresses. The first byte picks
// the base and the kind of reference. A reference without a scheme or a host of its own stays on
// the base's server, leaves no dot segments and resolves to itself; any bytes, as the reference or
// as the base, must only never break the resolver.
#include "FuzzCheck.h"
#include "net/http/UrlReference.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static const char* const kBases[][2] = {
        {"http://127.0.0.1:18089/prodline/version/version.asp?pname=ssd",
         "http://127.0.0.1:18089/"},
        {"http://h/", "http://h/"},
        {"https://[::1]:8443/a/b/c?q", "https://[::1]:8443/"},
        {"http://a/b/c/d;p?q", "http://a/"}};
    if (size == 0)
        return 0;
    const auto& base = kBases[data[0] % 4];
    std::string reference(reinterpret_cast<const char*>(data + 1), size - 1);
    switch (data[0] / 4 % 3)
    {
    case 0: // relative: a scheme or a host is kept out by a leading "./", as a server would
    {
        reference.erase(0, reference.find_first_not_of(" \t\r\n\v\f"));
        if (reference.compare(0, 2, "//") == 0 ||
            reference.substr(0, reference.find_first_of("/?#")).find(':') != std::string::npos)
            reference.insert(0, "./");
        const std::string target = ResolveReference(base[0], reference);
        FUZZ_CHECK(target.compare(0, std::string(base[1]).size(), base[1]) == 0);
        FUZZ_CHECK(ResolveReference(base[0], target) == target);
        const std::string path = target.substr(0, target.find_first_of("?#"));
        FUZZ_CHECK(path.find("/./") == std::string::npos);
        FUZZ_CHECK(path.find("/../") == std::string::npos);
        break;
    }
    case 1: // any reference
        FUZZ_CHECK(!ResolveReference(base[0], reference).empty());
        break;
    default: // any base: the first half of the bytes
        ResolveReference(reference.substr(0, reference.size() / 2),
                         reference.substr(reference.size() / 2));
        break;
    }
    return 0;
}
