#include "SsdDetect.h"

#include "DiskQuery.h"
#include "framework/Text.h"

namespace
{

CLeadBytes LeadBytesOf(UINT codePage)
{
    if (codePage == 949)
        return CLeadBytes::Of949();
    CLeadBytes leadBytes;
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte)
        if (::IsDBCSLeadByteEx(codePage, static_cast<BYTE>(byte)))
            leadBytes.Set(static_cast<unsigned char>(byte));
    return leadBytes;
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

void UpperCaseSingleBytes(std::string& text, UINT codePage)
{
    UpperCaseSingleBytes(text, LeadBytesOf(codePage));
}

size_t FindOnCharacterStart(const std::string& text, const char* what, UINT codePage)
{
    return FindOnCharacterStart(text, what, LeadBytesOf(codePage));
}

void TakeSsdModel(const wchar_t* model, std::string& result)
{
    // In our own code page whatever the system's: the double-byte rules below are written for
    // it, and the model is shown in a text of ours.
    std::string text = fw::WideToAnsi(model, fw::kTextCodePage);
    UpperCaseSingleBytes(text, fw::kTextCodePage);
    if (FindOnCharacterStart(text, "SSD", fw::kTextCodePage) != std::string::npos)
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
