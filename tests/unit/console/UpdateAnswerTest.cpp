// The update decision against answers a locale-aware comparison would get wrong, and against a
// large number of random answers.
#include "console/UpdateDecision.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace
{

std::string Trimmed(const std::string& text)
{
    const char* blanks = " \t\r\n\v\f";
    size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

std::string AsciiLower(std::string text)
{
    for (char& c : text)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    return text;
}

TEST(UpdateAnswer, OnlyTheExactTextsInAnyAsciiCaseAreNotNews)
{
    // Characters a word sort passes over, or folds into others, make another text.
    for (const std::string& answer :
         {std::string("1.-4"), std::string("1.'4"), std::string("er-ror"), std::string("1.4\xad"),
          std::string("ERR\xadOR"), std::string("1.4\0x", 5),
          std::string("\0"
                      "1.4",
                      4),
          std::string("\xef\xbc\x91.4"), std::string("1,4"), std::string("1.4."),
          std::string("erro"), std::string("errors")})
        EXPECT_TRUE(IsNewerVersion(answer)) << "\"" << answer << "\"";
    for (const char* answer : {"eRrOr", "ERROR", "error", " 1.4", "1.4\r\n\r\n", "\verror\f"})
        EXPECT_FALSE(IsNewerVersion(answer)) << "\"" << answer << "\"";
}

// Random answers, the same every run: what the server may put around or inside the two known
// texts. Whatever the answer, only the two texts (ASCII case aside, blanks around aside) are not
// news, and blanks around or a change of ASCII case never change the decision.
TEST(UpdateAnswer, RandomAnswers)
{
    const char alphabet[] = {'1',  '.',  '4',  'e', 'r',  'o',  'E',    'R',    'O', ' ',
                             '\t', '\r', '\n', '-', '\'', '\0', '\xad', '\xa1', '5', 'x'};
    std::mt19937 random(949);
    int notNews = 0;
    for (int i = 0; i < 100000; ++i)
    {
        std::string answer;
        if (i % 4 == 0)
        {
            // One of the known texts in a random case, with random blanks around it.
            answer = (random() % 2) ? "error" : "1.4";
            for (char& c : answer)
                c = (random() % 2 && c >= 'a') ? static_cast<char>(c - 'a' + 'A') : c;
            answer = std::string(random() % 3, ' ') + answer + std::string(random() % 3, '\n');
        }
        else
        {
            const size_t length = random() % 8;
            for (size_t n = 0; n < length; ++n)
                answer += alphabet[random() % sizeof(alphabet)];
        }
        const bool news = IsNewerVersion(answer);
        const std::string core = AsciiLower(Trimmed(answer));
        ASSERT_EQ(core != "1.4" && core != "error", news) << "\"" << answer << "\"";
        ASSERT_EQ(news, IsNewerVersion(" \r\n" + answer + "\t ")) << "\"" << answer << "\"";
        std::string upper = answer;
        for (char& c : upper)
            c = c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
        ASSERT_EQ(news, IsNewerVersion(upper)) << "\"" << answer << "\"";
        notNews += news ? 0 : 1;
    }
    EXPECT_GE(notNews, 25000) << "too few known texts were drawn for the test to mean much";
}

} // namespace
