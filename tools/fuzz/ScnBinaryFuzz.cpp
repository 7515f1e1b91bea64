// libFuzzer target: the binary parser of scene files, then a walk of the
// parsed file through the field interface. Inputs that do not start with the
// binary magic are taken as the records of a root block and wrapped in a
// valid preamble and CRC trailer, so mutations reach the record checks
// instead of stopping at the CRC.

#include "tools/fuzz/ScnFuzzWalk.h"

#include "scenesdk/fileio/KScnTree.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

namespace
{

void PutU32(std::vector<char>& out, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
    {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const char* in = reinterpret_cast<const char*>(data);
    std::vector<char> bytes;
    if (size >= 8 && std::memcmp(in, scenesdk::kScnBinaryMagic, 8) == 0)
    {
        bytes.assign(in, in + size);
    }
    else
    {
        bytes.assign(scenesdk::kScnBinaryMagic, scenesdk::kScnBinaryMagic + 8);
        PutU32(bytes, 6000);
        bytes.insert(bytes.end(), in, in + size);
        PutU32(bytes, static_cast<uint32_t>(crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()),
                                                  static_cast<uInt>(bytes.size()))));
        bytes.insert(bytes.end(), scenesdk::kScnEndMark, scenesdk::kScnEndMark + 4);
    }
    ScnFuzzParseAndWalk(std::move(bytes));
    return 0;
}
