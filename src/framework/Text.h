// Text helpers. The program's 8-bit text is code page 949 (Korean) whatever the system's code page
// for non-Unicode programs; it becomes UTF-16 at the edge, where it reaches the windowing, drawing,
// the shell or COM, so that it reads the same on every Windows.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <string>
#include <vector>

#include "TrimBlanks.h"

namespace fw
{

// The code page of the program's own 8-bit text, named so that no call falls back on the
// system's.
constexpr UINT kTextCodePage = 949;

// UTF-16 text for one wide-character call, made from the program's 8-bit text. It hands itself
// to the call as a terminated string, never null. (Not std::wstring: that alone would link tens of
// kilobytes of the C++ library's wide-character support into the program.)
class CWideText
{
public:
    CWideText() : m_text(1, L'\0') {}
    const wchar_t* c_str() const { return m_text.data(); }
    operator const wchar_t*() const { return m_text.data(); }
    size_t length() const { return m_text.size() - 1; }

private:
    friend CWideText Wide(const char* text, UINT codePage);
    std::vector<wchar_t> m_text;
};

// The program's 8-bit text (code page 949 unless told otherwise) as UTF-16; a null string gives
// the empty text.
CWideText Wide(const char* text, UINT codePage = kTextCodePage);

// UTF-16 to 8-bit with the given code page, no flags: unrepresentable characters become the
// code page's default character. A null string gives the empty text.
std::string WideToAnsi(const wchar_t* text, UINT codePage);

// 8-bit to UTF-16 with the given code page, as a newly allocated BSTR for a COM call (the
// caller frees it; a null or empty text gives the empty BSTR). Null only when out of memory.
BSTR AnsiToBstr(const char* text, UINT codePage);

// printf-style formatting into a fixed buffer, always terminated. False when the text did not fit
// whole (the buffer then holds as much as fitted) or the buffer is empty.
bool FormatText(char* buffer, size_t size, const char* format, ...);

} // namespace fw
