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

// UTF-16 text for the wide-character calls, terminated where it is handed on (data()). (Not
// std::wstring: that alone would link tens of kilobytes of the C++ library's wide-character
// support into the program.)
using WideText = std::vector<wchar_t>;

// The program's 8-bit text (code page 949 unless told otherwise) as terminated UTF-16; a null
// string gives the empty text. Where the system lacks the code page (a Western XP without the East
// Asian language files) the text is converted with the system's own, as an 8-bit call would show
// it, rather than handed on empty.
WideText Wide(const char* text, UINT codePage = kTextCodePage);

// A window's text as terminated UTF-16 (the empty text when it has none).
WideText WindowText(HWND hwnd);

// UTF-16 to 8-bit with the given code page, no flags: unrepresentable characters become the
// code page's default character. A null string gives the empty text.
std::string WideToAnsi(const wchar_t* text, UINT codePage);

// 8-bit to UTF-16 with the given code page, as a newly allocated BSTR for a COM call (the
// caller frees it; a null or empty text gives the empty BSTR). Null only when out of memory.
BSTR AnsiToBstr(const char* text, UINT codePage);

// printf-style formatting into a fixed buffer, always terminated. False when the text did not fit
// whole (the buffer then holds as much as fitted) or the buffer is empty.
bool FormatText(char* buffer, size_t size, const char* format, ...);
// The same for UTF-16 text (paths handed to the wide-character calls); `size` in characters, and
// "%ls" names a UTF-16 string argument.
bool FormatText(wchar_t* buffer, size_t size, const wchar_t* format, ...);

} // namespace fw
