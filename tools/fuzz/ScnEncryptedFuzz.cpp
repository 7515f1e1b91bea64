// libFuzzer target: the wrapper of password-protected scene files, then a
// walk of the file inside. An input with the encrypted magic gets its CRC
// rewritten; any other input is taken as what lies between the magic and the
// trailer. So mutations reach the wrapper versions, the lengths, the cost
// bounds and the authentication instead of stopping at the CRC. The seeds
// encrypted-v1.scn and encrypted-v2.scn (the cheapest cost) open with the
// password used here.

#include "tools/fuzz/ScnFuzzWalk.h"

#include "scenesdk/fileio/KScnEncryptedWrapper.h"
#include "scenesdk/fileio/KScnTree.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace scenesdk;
    const char* in = reinterpret_cast<const char*>(data);
    std::vector<char> bytes;
    if (size >= 16 && std::memcmp(in, kScnEncryptedMagic, 8) == 0)
    {
        bytes.assign(in, in + size - 8);
    }
    else
    {
        bytes.assign(kScnEncryptedMagic, kScnEncryptedMagic + 8);
        bytes.insert(bytes.end(), in, in + size);
    }
    const uint32_t crc = static_cast<uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())));
    for (int i = 0; i < 4; ++i)
    {
        bytes.push_back(static_cast<char>((crc >> (8 * i)) & 0xFF));
    }
    bytes.insert(bytes.end(), kScnEndMark, kScnEndMark + 4);

    KScnEncryptedWrapper wrapper;
    if (!wrapper.Open(bytes.data(), bytes.size()))
    {
        return 0;
    }
    std::vector<char> plain;
    if (wrapper.Decrypt("sesame", plain) == KScnEncryptedWrapper::eDecrypted)
    {
        ScnFuzzParseAndWalk(std::move(plain));
    }
    return 0;
}
