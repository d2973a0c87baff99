// The SSD match on a model's 8-bit text: text only, no platform call, so that it builds anywhere.
#pragma once

#include <bitset>
#include <string>

// The bytes that start a double-byte character of a code page; none for a single-byte one.
class CLeadBytes
{
public:
    // Code page 949 (Korean): 0x81 to 0xFE lead.
    static CLeadBytes Of949();

    void Set(unsigned char byte) { m_lead.set(byte); }
    bool IsLead(char c) const { return m_lead.test(static_cast<unsigned char>(c)); }

private:
    std::bitset<256> m_lead;
};

// Upper-cases a to z in place; both bytes of every double-byte character stay as they are, even
// where a trail byte looks like a lower-case letter.
void UpperCaseSingleBytes(std::string& text, const CLeadBytes& leadBytes);

// Position of what in text, never starting on the trail byte of a double-byte character;
// std::string::npos when absent.
size_t FindOnCharacterStart(const std::string& text, const char* what, const CLeadBytes& leadBytes);
