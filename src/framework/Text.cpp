#include "Text.h"

#include <vector>

namespace fw
{

std::string WideToAnsi(const wchar_t* text, UINT codePage)
{
    if (!text || !*text)
        return std::string();
    int n = ::WideCharToMultiByte(codePage, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (n <= 1)
        return std::string();
    std::string out(static_cast<size_t>(n), '\0');
    ::WideCharToMultiByte(codePage, 0, text, -1, &out[0], n, nullptr, nullptr);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::wstring AnsiToWide(const char* text, UINT codePage)
{
    if (!text || !*text)
        return std::wstring();
    int n = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    if (n <= 1)
        return std::wstring();
    std::wstring out(static_cast<size_t>(n), L'\0');
    ::MultiByteToWideChar(codePage, 0, text, -1, &out[0], n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string GetWindowTextString(HWND hwnd)
{
    int len = ::GetWindowTextLengthA(hwnd);
    if (len <= 0)
        return std::string();
    std::vector<char> buf(static_cast<size_t>(len) + 1, '\0');
    int got = ::GetWindowTextA(hwnd, buf.data(), len + 1);
    return std::string(buf.data(), got > 0 ? static_cast<size_t>(got) : 0u);
}

} // namespace fw
