// Text helpers. The program's 8-bit text is the thread's ANSI code page (949 on the Korean
// systems it is made for); UTF-16 appears only where COM asks for it.
#pragma once

#include <windows.h>
#include <string>

namespace fw
{

// UTF-16 to 8-bit with the given code page, no flags: unrepresentable characters become the
// code page's default character. A null string gives the empty text.
std::string WideToAnsi(const wchar_t* text, UINT codePage);

// 8-bit to UTF-16 with the given code page.
std::wstring AnsiToWide(const char* text, UINT codePage);

// The window text of a window, as 8-bit text.
std::string GetWindowTextString(HWND hwnd);

} // namespace fw
