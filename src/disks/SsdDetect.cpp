#include "SsdDetect.h"

#include "DiskQuery.h"
#include "framework/Text.h"

#include <cstring>

namespace
{

bool IsLeadByte(UINT codePage, char c)
{
    return ::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(c)) != FALSE;
}

class CSsdVisitor : public CDiskVisitor
{
public:
    void VisitDisk(IWbemClassObject& disk, VARIANT& value) override
    {
        ReadDiskProperty(disk, L"Model", value);
        // Only a string payload is text; a null (or any other) value is an empty model.
        TakeSsdModel(value.vt == VT_BSTR ? value.bstrVal : nullptr, m_result);
    }
    const std::string& Result() const { return m_result; }

private:
    std::string m_result;
};

} // namespace

UINT ThreadAnsiCodePage()
{
    UINT codePage = 0;
    if (::GetLocaleInfoA(::GetThreadLocale(), LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER,
                         reinterpret_cast<LPSTR>(&codePage), sizeof(codePage) / sizeof(char)) &&
        codePage != 0)
        return codePage;
    return ::GetACP();
}

void UpperCaseSingleBytes(std::string& text, UINT codePage)
{
    for (size_t i = 0; i < text.size(); ++i)
    {
        if (IsLeadByte(codePage, text[i]) && i + 1 < text.size())
        {
            ++i; // the trail byte belongs to the character, whatever its value
            continue;
        }
        if (text[i] >= 'a' && text[i] <= 'z')
            text[i] = static_cast<char>(text[i] - 'a' + 'A');
    }
}

size_t FindOnCharacterStart(const std::string& text, const char* what, UINT codePage)
{
    const size_t length = std::strlen(what);
    for (size_t i = 0; i + length <= text.size();)
    {
        if (text.compare(i, length, what) == 0)
            return i;
        i += (IsLeadByte(codePage, text[i]) && i + 1 < text.size()) ? 2 : 1;
    }
    return std::string::npos;
}

void TakeSsdModel(const wchar_t* model, std::string& result)
{
    std::string text = fw::WideToAnsi(model, CP_THREAD_ACP);
    const UINT codePage = ThreadAnsiCodePage();
    UpperCaseSingleBytes(text, codePage);
    if (FindOnCharacterStart(text, "SSD", codePage) != std::string::npos)
        result = text;
}

std::string FindSsdModelAmong(const std::vector<std::optional<std::wstring>>& models)
{
    std::string result;
    for (const auto& model : models)
        TakeSsdModel(model ? model->c_str() : nullptr, result);
    return result;
}

std::string FindSsdModelOfDisks()
{
    CSsdVisitor visitor;
    if (!RunDiskQuery(visitor))
        return std::string();
    return visitor.Result();
}
