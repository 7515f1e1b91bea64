// libFuzzer target: the text parser of scene files, then a walk of the parsed
// file through the field interface. Any input must be refused or parsed
// without a fault (run under AddressSanitizer and UBSan).

#include "tools/fuzz/ScnFuzzWalk.h"

#include <cstddef>
#include <cstdint>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<char> bytes(reinterpret_cast<const char*>(data), reinterpret_cast<const char*>(data) + size);
    ScnFuzzParseAndWalk(std::move(bytes));
    return 0;
}
