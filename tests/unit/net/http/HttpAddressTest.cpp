// Where a redirection leads, and how an address is split for the request.
#include "net/http/HttpAddress.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{

struct Case
{
    const char* reference;
    const char* expected;
};

// The worked examples of RFC 3986, section 5.4, normal and abnormal.
const char kRfcBase[] = "http://a/b/c/d;p?q";
const Case kRfcCases[] = {
    {"g:h", "g:h"},
    {"g", "http://a/b/c/g"},
    {"./g", "http://a/b/c/g"},
    {"g/", "http://a/b/c/g/"},
    {"/g", "http://a/g"},
    {"//g", "http://g"},
    {"?y", "http://a/b/c/d;p?y"},
    {"g?y", "http://a/b/c/g?y"},
    {"#s", "http://a/b/c/d;p?q#s"},
    {"g#s", "http://a/b/c/g#s"},
    {"g?y#s", "http://a/b/c/g?y#s"},
    {";x", "http://a/b/c/;x"},
    {"g;x", "http://a/b/c/g;x"},
    {"g;x?y#s", "http://a/b/c/g;x?y#s"},
    {"", "http://a/b/c/d;p?q"},
    {".", "http://a/b/c/"},
    {"./", "http://a/b/c/"},
    {"..", "http://a/b/"},
    {"../", "http://a/b/"},
    {"../g", "http://a/b/g"},
    {"../..", "http://a/"},
    {"../../", "http://a/"},
    {"../../g", "http://a/g"},
    {"../../../g", "http://a/g"},
    {"../../../../g", "http://a/g"},
    {"/./g", "http://a/g"},
    {"/../g", "http://a/g"},
    {"g.", "http://a/b/c/g."},
    {".g", "http://a/b/c/.g"},
    {"g..", "http://a/b/c/g.."},
    {"..g", "http://a/b/c/..g"},
    {"./../g", "http://a/b/g"},
    {"./g/.", "http://a/b/c/g/"},
    {"g/./h", "http://a/b/c/g/h"},
    {"g/../h", "http://a/b/c/h"},
    {"g;x=1/./y", "http://a/b/c/g;x=1/y"},
    {"g;x=1/../y", "http://a/b/c/y"},
    {"g?y/./x", "http://a/b/c/g?y/./x"},
    {"g?y/../x", "http://a/b/c/g?y/../x"},
    {"g#s/./x", "http://a/b/c/g#s/./x"},
    {"g#s/../x", "http://a/b/c/g#s/../x"},
    {"http:g", "http:g"},
};

// What an update server may send back to the program's own address.
const char kUpdateBase[] = "http://127.0.0.1:18089/prodline/version/version.asp?pname=ssd";
const Case kUpdateCases[] = {
    {"http://other.example/v.asp", "http://other.example/v.asp"},
    {"HTTPS://Other.Example:8443/v", "HTTPS://Other.Example:8443/v"},
    {"//mirror.example/prodline/v.asp?pname=ssd", "http://mirror.example/prodline/v.asp?pname=ssd"},
    {"/v2/version.asp", "http://127.0.0.1:18089/v2/version.asp"},
    {"new.asp?pname=ssd", "http://127.0.0.1:18089/prodline/version/new.asp?pname=ssd"},
    {"../v2/version.asp", "http://127.0.0.1:18089/prodline/v2/version.asp"},
    {"?pname=ssd&v=2", "http://127.0.0.1:18089/prodline/version/version.asp?pname=ssd&v=2"},
    // An address inside the query of a relative reference does not make it absolute.
    {"next.asp?from=http://elsewhere.example/x",
     "http://127.0.0.1:18089/prodline/version/next.asp?from=http://elsewhere.example/x"},
    {"/go?to=https://elsewhere.example/",
     "http://127.0.0.1:18089/go?to=https://elsewhere.example/"},
    {"//[::1]:8089/v?x", "http://[::1]:8089/v?x"},
    {"http://[fe80::1%25eth0]/v", "http://[fe80::1%25eth0]/v"},
    {"  /trimmed.asp \r\n", "http://127.0.0.1:18089/trimmed.asp"},
    {"#top", "http://127.0.0.1:18089/prodline/version/version.asp?pname=ssd#top"},
};

TEST(ResolveReference, WorkedExamplesOfTheStandard)
{
    for (const Case& c : kRfcCases)
        EXPECT_EQ(c.expected, ResolveReference(kRfcBase, c.reference))
            << "\"" << c.reference << "\"";
}

TEST(ResolveReference, LocationsOfAnUpdateServer)
{
    for (const Case& c : kUpdateCases)
        EXPECT_EQ(c.expected, ResolveReference(kUpdateBase, c.reference))
            << "\"" << c.reference << "\"";
}

TEST(ResolveReference, BasesWithoutAPathOrWithABracketedHost)
{
    EXPECT_EQ("http://h/g", ResolveReference("http://h", "g"));
    EXPECT_EQ("http://h?q", ResolveReference("http://h", "?q"));
    EXPECT_EQ("http://[::1]:8080/a/c", ResolveReference("http://[::1]:8080/a/b", "c"));
    EXPECT_EQ("http://[::1]:8080/d", ResolveReference("http://[::1]:8080/a/b", "/d"));
    EXPECT_EQ("http://[::1]:8080/a/b?z", ResolveReference("http://[::1]:8080/a/b?y", "?z"));
}

class SplitUrlTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_wininet.Load()); }
    CWinInetLibrary m_wininet;
};

TEST_F(SplitUrlTest, PartsOfAnAddress)
{
    CUrlParts parts;
    ASSERT_TRUE(SplitUrl(m_wininet, "http://127.0.0.1:18089/a/b.asp?x=1&y=2#frag", parts));
    EXPECT_EQ("127.0.0.1", parts.server);
    EXPECT_EQ("/a/b.asp?x=1&y=2", parts.object) << "a fragment is never sent";
    EXPECT_EQ(18089, parts.port);
    EXPECT_FALSE(parts.secure);

    ASSERT_TRUE(SplitUrl(m_wininet, "https://host.example/v", parts));
    EXPECT_EQ("host.example", parts.server);
    EXPECT_EQ(443, parts.port);
    EXPECT_TRUE(parts.secure);

    ASSERT_TRUE(SplitUrl(m_wininet, "http://[::1]:8089/v?x", parts));
    EXPECT_EQ(8089, parts.port);
    EXPECT_EQ("/v?x", parts.object);
    EXPECT_NE(std::string::npos, parts.server.find("::1")) << parts.server;

    for (const char* refused :
         {"ftp://host/x", "mailto:someone@example", "no address at all", "", "http:g", "http://"})
        EXPECT_FALSE(SplitUrl(m_wininet, refused, parts)) << "\"" << refused << "\"";
    EXPECT_FALSE(SplitUrl(m_wininet, nullptr, parts));
    const std::string longName = "http://" + std::string(2100, 'h') + "/";
    EXPECT_FALSE(SplitUrl(m_wininet, longName.c_str(), parts));
    const std::string longObject = "http://h/" + std::string(2100, 'o');
    EXPECT_FALSE(SplitUrl(m_wininet, longObject.c_str(), parts));
}

// Random references, the same every run. Two families: references built from the pieces that
// matter to the resolution (never a scheme or a host of their own), whose result must stay on
// the base's server, be free of dot segments, resolve to itself and always split; and raw bytes,
// which must only never break the resolver or the split.
TEST_F(SplitUrlTest, RandomReferencesResolveAndSplit)
{
    const char* const pieces[] = {
        "a",   "b", "..", ".",   "/",         "?",     "#", "=", "&", ";",        "@",     ":",
        "%2e", "%", "x",  "://", "http://e/", "[::1]", " ", "~", "+", "\xb0\xa1", "g.asp", "v=1.5"};
    const char* const bases[] = {kUpdateBase, "http://h", "https://[::1]:8443/a/b/c?q",
                                 "http://127.0.0.1:18089/"};
    std::mt19937 random(20261207);
    constexpr int kCases = 100000;
    int split = 0;
    for (int i = 0; i < kCases; ++i)
    {
        const std::string base = bases[random() % 4];
        CUrlParts baseParts;
        ASSERT_TRUE(SplitUrl(m_wininet, base.c_str(), baseParts)) << base;

        std::string reference;
        if (i % 2 == 0)
        {
            // The first piece decides the kind: no "//" at the start (a host), no ":" before the
            // first "/", "?" or "#" (a scheme).
            const int count = static_cast<int>(random() % 12);
            for (int p = 0; p < count; ++p)
                reference += pieces[random() % (sizeof(pieces) / sizeof(pieces[0]))];
            reference.erase(0, reference.find_first_not_of(" "));
            const size_t cut = reference.find_first_of("/?#");
            if (reference.compare(0, 2, "//") == 0 ||
                reference.substr(0, cut).find(':') != std::string::npos)
                reference.insert(0, "./");

            const std::string target = ResolveReference(baseParts.canonical, reference);
            CUrlParts parts;
            ASSERT_TRUE(SplitUrl(m_wininet, target.c_str(), parts))
                << "\"" << reference << "\" from " << base << " gave " << target;
            EXPECT_EQ(baseParts.server, parts.server) << target;
            EXPECT_EQ(baseParts.port, parts.port) << target;
            EXPECT_EQ('/', parts.object[0]) << target;
            EXPECT_EQ(target, ResolveReference(baseParts.canonical, target)) << target;
            const std::string path = target.substr(0, target.find_first_of("?#"));
            for (const char* dots : {"/./", "/../"})
                EXPECT_EQ(std::string::npos, path.find(dots)) << target;
            ++split;
        }
        else
        {
            const size_t length = random() % 48;
            for (size_t b = 0; b < length; ++b)
                reference += static_cast<char>(random() & 0xFF);
            const std::string target = ResolveReference(baseParts.canonical, reference);
            ASSERT_FALSE(target.empty());
            CUrlParts parts;
            if (SplitUrl(m_wininet, target.c_str(), parts))
                EXPECT_FALSE(parts.server.empty()) << target;
        }
    }
    EXPECT_EQ(kCases / 2, split);
}

} // namespace
