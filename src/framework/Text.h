// Text helpers. The program's 8-bit text is the thread's ANSI code page (949 on the Korean
// systems it is made for); UTF-16 appears only where COM asks for it.
#pragma once

#include <windows.h>
#include <oleauto.h>
#include <string>

#include "TrimBlanks.h"

namespace fw
{

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
