// The update server's answer: only "1.4" and "error" (ASCII case and blanks around aside) are not
// news, and blanks around or a change of ASCII case never change the decision.
#include "FuzzCheck.h"
#include "console/UpdateDecision.h"
#include "framework/TrimBlanks.h"

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    const std::string answer(reinterpret_cast<const char*>(data), size);
    const bool news = IsNewerVersion(answer);
    std::string core = fw::TrimBlanks(answer);
    for (char& c : core)
        c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    FUZZ_CHECK(news == (core != "1.4" && core != "error"));
    FUZZ_CHECK(news == IsNewerVersion(" \r\n" + answer + "\t "));
    FUZZ_CHECK(news == IsNewerVersion(AsciiUpper(answer)));
    return 0;
}
