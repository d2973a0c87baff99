#include "UpdateDecision.h"

#include <windows.h>

const char kOwnVersion[] = "1.4";

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
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
    return ::lstrcmpiA(text.c_str(), kOwnVersion) != 0 && ::lstrcmpiA(text.c_str(), "error") != 0;
}

std::string FormatSsdFound(const std::string& model)
{
    return "디스크 " + model + "를 발견하였습니다.";
}
