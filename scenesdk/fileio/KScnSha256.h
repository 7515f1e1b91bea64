#pragma once

// KScnSha256: the SHA-256 hash (FIPS 180-4), used by the encrypted scene
// files for the password check and the key stream. Feed bytes with Update,
// then Final gives the 32-byte digest (the object is then spent).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace scenesdk
{

class KScnSha256
{
public:
    using Digest = std::array<uint8_t, 32>;

    KScnSha256();
    void Update(const void* data, size_t size);
    void Update(const std::string& text) { Update(text.data(), text.size()); }
    Digest Final();

    static Digest Hash(const void* data, size_t size);

private:
    void Block(const uint8_t* block);

    uint32_t mState[8];
    uint8_t mBuffer[64];
    size_t mBuffered = 0;
    uint64_t mLength = 0; // bytes fed
};

} // namespace scenesdk
