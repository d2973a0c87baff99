// The SSD match on a model's code page 949 bytes: upper-casing touches only ASCII letters that
// start a character and is idempotent; "SSD" is found at its first place on a character start.
#include "FuzzCheck.h"
#include "disks/SsdMatch.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, size_t size)
{
    static const CLeadBytes kLeadBytes = CLeadBytes::Of949();
    const std::string model(reinterpret_cast<const char*>(data), size);
    std::vector<bool> starts(size, false);
    for (size_t i = 0; i < size; i += (kLeadBytes.IsLead(model[i]) && i + 1 < size) ? 2 : 1)
        starts[i] = true;

    std::string upper = model;
    UpperCaseSingleBytes(upper, kLeadBytes);
    FUZZ_CHECK(upper.size() == size);
    for (size_t b = 0; b < size; ++b)
        FUZZ_CHECK(upper[b] == (starts[b] ? AsciiUpper(model.substr(b, 1))[0] : model[b]));
    std::string again = upper;
    UpperCaseSingleBytes(again, kLeadBytes);
    FUZZ_CHECK(again == upper);

    size_t first = std::string::npos;
    for (size_t b = 0; b + 3 <= size && first == std::string::npos; ++b)
        first = starts[b] && upper.compare(b, 3, "SSD") == 0 ? b : first;
    FUZZ_CHECK(FindOnCharacterStart(upper, "SSD", kLeadBytes) == first);
    return 0;
}
