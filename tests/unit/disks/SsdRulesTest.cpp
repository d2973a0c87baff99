// The SSD matching rules, fed through the model list as the disk walk would deliver it.
#include "disks/SsdDetect.h"

#include <gtest/gtest.h>

namespace
{

using Models = std::vector<std::optional<std::wstring>>;

// A double-byte character of code page 949 whose trail byte is 'S' (0x53), and one whose trail
// byte is 's' (0x73).
const char kTrailS[] = "\x81\x53";
const char kTrailLowerS[] = "\x81\x73";

std::wstring From949(const std::string& bytes)
{
    std::wstring out(bytes.size() + 1, L'\0');
    int n = ::MultiByteToWideChar(949, MB_ERR_INVALID_CHARS, bytes.data(),
                                  static_cast<int>(bytes.size()), &out[0],
                                  static_cast<int>(out.size()));
    out.resize(n > 0 ? static_cast<size_t>(n) : 0u);
    return out;
}

TEST(SsdRules, AnyLetterCaseMatchesAndTheResultIsUpperCased)
{
    EXPECT_EQ("ACME SSD 120G", FindSsdModelAmong({L"Acme Ssd 120G"}));
    EXPECT_EQ("SAMSUNG SSD 860 EVO", FindSsdModelAmong({L"Samsung ssd 860 EVO"}));
    EXPECT_EQ("XSSDY", FindSsdModelAmong({L"xsSdy"}));
    EXPECT_EQ("", FindSsdModelAmong({L"WDC WD10EZEX-08WN4A0", L"S S D", L"SD"}));
    EXPECT_EQ("", FindSsdModelAmong({}));
}

TEST(SsdRules, LastMatchingDiskWinsAndLaterMisses)
{
    EXPECT_EQ("SECOND SSD", FindSsdModelAmong({L"first SSD", L"second ssd"}));
    EXPECT_EQ("FIRST SSD", FindSsdModelAmong({L"first SSD", L"Wine Disk Drive"}));
    EXPECT_EQ("B SSD", FindSsdModelAmong({L"a ssd", L"hdd", L"b ssd", L"ST1000DM003"}));
}

TEST(SsdRules, NullAndEmptyModelsAreNoMatch)
{
    EXPECT_EQ("", FindSsdModelAmong({std::nullopt}));
    EXPECT_EQ("", FindSsdModelAmong({std::wstring()}));
    EXPECT_EQ("KEEP SSD", FindSsdModelAmong({L"keep ssd", std::nullopt, std::wstring()}));
    EXPECT_EQ("LATE SSD", FindSsdModelAmong({std::nullopt, L"late ssd"}));

    std::string result = "EARLIER";
    TakeSsdModel(nullptr, result);
    EXPECT_EQ("EARLIER", result);
}

TEST(SsdRules, DoubleByteCharactersOfCodePage949)
{
    // No match may start on a trail byte: <lead,'S'> "SD" holds the bytes S S D, not the word.
    EXPECT_EQ(std::string::npos, FindOnCharacterStart(std::string(kTrailS) + "SD", "SSD", 949));
    EXPECT_EQ(2u, FindOnCharacterStart(std::string(kTrailS) + "SSD", "SSD", 949));
    EXPECT_EQ(std::string::npos, FindOnCharacterStart("SS", "SSD", 949));
    // Under a single-byte code page the same bytes do match: the rule follows the code page.
    EXPECT_EQ(1u, FindOnCharacterStart(std::string(kTrailS) + "SD", "SSD", 1252));

    std::string text = std::string(kTrailLowerS) + "ssd" + kTrailLowerS + "a";
    UpperCaseSingleBytes(text, 949);
    EXPECT_EQ(std::string(kTrailLowerS) + "SSD" + kTrailLowerS + "A", text);

    // The match's own table of the code page's lead bytes is the platform's.
    const CLeadBytes table = CLeadBytes::Of949();
    for (unsigned byte = 0; byte < 256; ++byte)
        EXPECT_EQ(::IsDBCSLeadByteEx(949, static_cast<BYTE>(byte)) != FALSE,
                  table.IsLead(static_cast<char>(byte)))
            << byte;

    // A lead byte cut off at the end is left alone, and nothing is read past the text.
    std::string cut = "ab\x81";
    UpperCaseSingleBytes(cut, 949);
    EXPECT_EQ("AB\x81", cut);
    EXPECT_EQ(std::string::npos, FindOnCharacterStart("ss\x81", "SSD", 949));
}

TEST(SsdRules, KoreanModelsThroughCodePage949)
{
    EXPECT_EQ("", FindSsdModelAmong({From949(std::string(kTrailS) + "SD")}));
    EXPECT_EQ("", FindSsdModelAmong({From949(std::string(kTrailS) + "sd")}));

    const std::string samsung = "\xbb\xef\xbc\xba"; // 삼성
    EXPECT_EQ(samsung + " SSD 850", FindSsdModelAmong({From949(samsung + " ssd 850")}));
    EXPECT_EQ(std::string(kTrailLowerS) + "X SSD",
              FindSsdModelAmong({From949(std::string(kTrailLowerS) + "x ssd")}));
}

} // namespace
