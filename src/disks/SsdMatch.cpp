#include "SsdMatch.h"

#include <cstring>

CLeadBytes CLeadBytes::Of949()
{
    CLeadBytes leadBytes;
    for (unsigned byte = 0x81; byte <= 0xFE; ++byte)
        leadBytes.Set(static_cast<unsigned char>(byte));
    return leadBytes;
}

void UpperCaseSingleBytes(std::string& text, const CLeadBytes& leadBytes)
{
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (leadBytes.IsLead(text[i]) && i + 1 < text.size())
        {
            ++i; // the trail byte belongs to the character, whatever its value
            continue;
        }
        if (text[i] >= 'a' && text[i] <= 'z')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
}

size_t FindOnCharacterStart(const std::string& text, const char* what, const CLeadBytes& leadBytes)
{
    const size_t length = std::strlen(what);
    for (size_t i = 0; i + length <= text.size();)
    {
        if (text.compare(i, length, what) == 0)
            return i;
        i += (leadBytes.IsLead(text[i]) && i + 1 < text.size()) ? 2 : 1;
    }
    return std::string::npos;
}
