// The SSD match on random code page 949 bytes: the model texts come from the disks, so the rules
// must hold for anything a disk may report.
#include "disks/SsdDetect.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace
{

// Where each character of text starts, walking by the code page's lead bytes.
std::vector<bool> CharacterStarts(const std::string& text)
{
    std::vector<bool> starts(text.size(), false);
    for (size_t i = 0; i < text.size();)
    {
        starts[i] = true;
        i += (::IsDBCSLeadByteEx(949, static_cast<BYTE>(text[i])) && i + 1 < text.size()) ? 2 : 1;
    }
    return starts;
}

// Bytes that make the interesting cases likely: the letters of "SSD" in both cases, lead bytes,
// and trail bytes that look like those letters.
std::string RandomModel(std::mt19937& random)
{
    const unsigned char bytes[] = {'S',  's',  'D',  'd',  ' ',  'A',  'z',  0x81, 0xB0, 0xC8,
                                   0xFE, 0xA1, 0x53, 0x73, 0x44, 0x64, 0x80, 0xFF, '0'};
    std::string text;
    const size_t length = random() % 12;
    for (size_t i = 0; i < length; ++i)
        text += static_cast<char>(random() % 4 == 0 ? random() % 255 + 1
                                                    : bytes[random() % sizeof(bytes)]);
    return text;
}

TEST(SsdMatchRandom, FoundOnlyOnACharacterStartAndUpperCasingKeepsEveryDoubleByte)
{
    std::mt19937 random(5353);
    int found = 0;
    for (int i = 0; i < 100000; ++i)
    {
        const std::string model = RandomModel(random);
        std::string upper = model;
        UpperCaseSingleBytes(upper, 949);
        ASSERT_EQ(model.size(), upper.size());
        const std::vector<bool> starts = CharacterStarts(model);
        for (size_t b = 0; b < model.size(); ++b)
        {
            const char c = model[b];
            const char expected =
                starts[b] && c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
            ASSERT_EQ(expected, upper[b])
                << "byte " << b << " of a " << model.size() << "-byte model";
        }
        std::string again = upper;
        UpperCaseSingleBytes(again, 949);
        ASSERT_EQ(upper, again);

        const size_t at = FindOnCharacterStart(upper, "SSD", 949);
        size_t first = std::string::npos;
        for (size_t b = 0; b + 3 <= upper.size() && first == std::string::npos; ++b)
            first = starts[b] && upper.compare(b, 3, "SSD") == 0 ? b : first;
        ASSERT_EQ(first, at);
        found += at != std::string::npos ? 1 : 0;
    }
    EXPECT_GT(found, 1000) << "too few matches drawn for the test to mean much";
}

TEST(SsdMatchRandom, ModelsFromTheDiskNeverBreakTheRule)
{
    std::mt19937 random(120);
    for (int i = 0; i < 100000; ++i)
    {
        std::wstring model;
        const size_t length = random() % 10;
        for (size_t n = 0; n < length; ++n)
            model += static_cast<wchar_t>(random() % 3 == 0 ? L"SsDd"[random() % 4]
                                                            : random() % 0xFFFF + 1);
        std::string result = "before";
        TakeSsdModel(model.c_str(), result);
        if (result != "before")
        {
            ASSERT_NE(std::string::npos, FindOnCharacterStart(result, "SSD", 949));
            std::string upper = result;
            UpperCaseSingleBytes(upper, 949);
            ASSERT_EQ(upper, result);
        }
    }
}

} // namespace
