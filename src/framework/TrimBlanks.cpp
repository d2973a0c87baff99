#include "TrimBlanks.h"

namespace fw
{

std::string TrimBlanks(const std::string& text)
{
    const char* const blanks = " \t\r\n\v\f";
    const size_t begin = text.find_first_not_of(blanks);
    if (begin == std::string::npos)
        return std::string();
    return text.substr(begin, text.find_last_not_of(blanks) - begin + 1);
}

} // namespace fw
