#include "UpdateDecision.h"

const char kOwnVersion[] = "1.4";

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

char AsciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Byte for byte, ASCII letters without regard to case. A locale's comparison may skip some
// characters (hyphens, marks) or fold others together, and would take "1.-4" for "1.4".
bool EqualsIgnoringAsciiCase(const std::string& text, const char* expected)
{
    size_t i = 0;
    for (; i < text.size() && expected[i]; ++i)
    {
        if (AsciiLower(text[i]) != AsciiLower(expected[i]))
            return false;
    }
    return i == text.size() && !expected[i];
}
} // namespace

bool IsNewerVersion(const std::string& answer)
{
    size_t begin = 0;
    size_t end = answer.size();
    while (begin < end && IsBlank(answer[begin]))
        ++begin;
    while (end > begin && IsBlank(answer[end - 1]))
        --end;
    std::string text = answer.substr(begin, end - begin);
    return !EqualsIgnoringAsciiCase(text, kOwnVersion) && !EqualsIgnoringAsciiCase(text, "error");
}

std::string FormatSsdFound(const std::string& model)
{
    return "디스크 " + model + "를 발견하였습니다.";
}
