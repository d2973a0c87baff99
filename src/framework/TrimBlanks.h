// Trimming of blanks, apart from the platform's text conversions so that it builds anywhere.
#pragma once

#include <string>

namespace fw
{

// The text without the ASCII blanks (space, tab, CR, LF, VT, FF) at either end; bytes of other
// characters, lead and trail bytes of the code page included, are never taken for blanks.
std::string TrimBlanks(const std::string& text);

} // namespace fw
