// The bounded formatter that builds tool paths and command lines, and the conversion that hands
// 8-bit text to COM.
#include "framework/Text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace
{

TEST(FormatText, FitsExactlyOrReportsTheCut)
{
    char buffer[8];
    std::memset(buffer, 'x', sizeof(buffer));
    // Seven characters and the terminator fill the buffer to the last byte.
    EXPECT_TRUE(fw::FormatText(buffer, sizeof(buffer), "%s%d", "abcdef", 7));
    EXPECT_STREQ("abcdef7", buffer);

    // One more is a cut: reported, and the buffer still ends inside itself.
    std::memset(buffer, 'x', sizeof(buffer));
    EXPECT_FALSE(fw::FormatText(buffer, sizeof(buffer), "\\%s%s", "fsutil", ".exe"));
    EXPECT_EQ('\0', buffer[sizeof(buffer) - 1]);
    EXPECT_EQ(0, std::strncmp(buffer, "\\fsutil", 7));

    // Nothing to write into is never a success, and nothing is touched.
    buffer[0] = 'x';
    EXPECT_FALSE(fw::FormatText(buffer, 0, "%s", ""));
    EXPECT_EQ('x', buffer[0]);
    EXPECT_FALSE(fw::FormatText(nullptr, 8, "%s", ""));
}

TEST(FormatText, FormatsTheConversionsTheProgramUses)
{
    char line[64];
    ASSERT_TRUE(fw::FormatText(line, sizeof(line), "### %d", -5));
    EXPECT_STREQ("### -5", line);
    ASSERT_TRUE(fw::FormatText(line, sizeof(line), "%c:\\pagefile.sys", 'D'));
    EXPECT_STREQ("D:\\pagefile.sys", line);
    ASSERT_TRUE(fw::FormatText(line, sizeof(line), "%s 200 1024", "C:\\pagefile.sys"));
    EXPECT_STREQ("C:\\pagefile.sys 200 1024", line);
}

TEST(AnsiToBstr, KeepsEveryCharacterAndTheLength)
{
    // "최적화" in code page 949, then ASCII: the BSTR holds exactly these characters.
    const char text[] = "\xC3\xD6\xC0\xFB\xC8\xAD http://a/b?c=1";
    BSTR wide = fw::AnsiToBstr(text, 949);
    ASSERT_NE(nullptr, wide);
    EXPECT_EQ(std::wstring(L"\uCD5C\uC801\uD654 http://a/b?c=1"), std::wstring(wide));
    EXPECT_EQ(18u, ::SysStringLen(wide));
    ::SysFreeString(wide);

    for (const char* empty : {static_cast<const char*>(nullptr), ""})
    {
        BSTR none = fw::AnsiToBstr(empty, CP_ACP);
        ASSERT_NE(nullptr, none) << "an empty text is an empty BSTR, not a missing one";
        EXPECT_EQ(0u, ::SysStringLen(none));
        EXPECT_EQ(L'\0', none[0]);
        ::SysFreeString(none);
    }
}

} // namespace

TEST(TrimBlanks, TakesOnlyAsciiBlanksFromBothEnds)
{
    EXPECT_EQ("1.4", fw::TrimBlanks(" \t\r\n\v\f1.4\r\n"));
    EXPECT_EQ("a b", fw::TrimBlanks("a b"));
    EXPECT_EQ("", fw::TrimBlanks(" \r\n "));
    EXPECT_EQ("", fw::TrimBlanks(""));
    // A non-breaking space and a code page 949 trail byte are text, not blanks.
    EXPECT_EQ("\xa0x\xa0", fw::TrimBlanks("\xa0x\xa0"));
    EXPECT_EQ(std::string("\0x", 2), fw::TrimBlanks(std::string("\0x", 2)));
}
