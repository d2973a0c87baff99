#include "UpdateDecision.h"

#include "framework/TrimBlanks.h"

const char kOwnVersion[] = "1.4";

namespace
{
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
    const std::string text = fw::TrimBlanks(answer);
    return !EqualsIgnoringAsciiCase(text, kOwnVersion) && !EqualsIgnoringAsciiCase(text, "error");
}

std::string FormatSsdFound(const std::string& model)
{
    return "디스크 " + model + "를 발견하였습니다.";
}
