#include "Text.h"

#include <cstdarg>

// Win32's own bounded formatter: the C library's snprintf would bring a second printf
// implementation into the program for the few integers and paths formatted here.
#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

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

WideText Wide(const char* text, UINT codePage)
{
    if (!text || !*text)
        return WideText(1, L'\0');
    // A code page the system lacks (949 on a Western XP without the East Asian language files):
    // the system's own, as an 8-bit call would show the text, rather than nothing.
    if (!::IsValidCodePage(codePage))
        codePage = CP_ACP;
    const int n = ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    WideText out(static_cast<size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0)
        ::MultiByteToWideChar(codePage, 0, text, -1, out.data(), n);
    return out;
}

WideText WindowText(HWND hwnd)
{
    const int length = ::GetWindowTextLengthW(hwnd);
    WideText text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = ::GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    text.push_back(L'\0');
    return text;
}

BSTR AnsiToBstr(const char* text, UINT codePage)
{
    const int n = (text && *text) ? ::MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0) : 0;
    const UINT length = n > 1 ? static_cast<UINT>(n - 1) : 0;
    BSTR out = ::SysAllocStringLen(nullptr, length); // length characters and the terminator
    if (out && length > 0)
        ::MultiByteToWideChar(codePage, 0, text, -1, out, n);
    return out;
}

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style on purpose, over Win32's bounded formatter
bool FormatText(char* buffer, size_t size, const char* format, ...)
{
    if (!buffer || size == 0)
        return false;
    va_list arguments;
    va_start(arguments, format);
    const HRESULT hr = ::StringCchVPrintfA(buffer, size, format, arguments);
    va_end(arguments);
    return SUCCEEDED(hr);
}

// NOLINTNEXTLINE(cert-dcl50-cpp): printf-style on purpose, over Win32's bounded formatter
bool FormatText(wchar_t* buffer, size_t size, const wchar_t* format, ...)
{
    if (!buffer || size == 0)
        return false;
    va_list arguments;
    va_start(arguments, format);
    const HRESULT hr = ::StringCchVPrintfW(buffer, size, format, arguments);
    va_end(arguments);
    return SUCCEEDED(hr);
}

} // namespace fw
