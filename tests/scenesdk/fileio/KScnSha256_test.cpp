#include "scenesdk/fileio/KScnSha256.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace scenesdk;

namespace
{

std::string Hex(const KScnSha256::Digest& d)
{
    std::string out;
    char two[3];
    for (uint8_t b : d)
    {
        std::snprintf(two, sizeof two, "%02x", b);
        out += two;
    }
    return out;
}

TEST(KScnSha256, PublishedVectors)
{
    EXPECT_EQ(Hex(KScnSha256::Hash("", 0)),
              "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(Hex(KScnSha256::Hash("abc", 3)),
              "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    const std::string two = "abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq";
    EXPECT_EQ(Hex(KScnSha256::Hash(two.data(), two.size())),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
    // A million 'a', fed in uneven pieces across block boundaries.
    KScnSha256 sha;
    const std::string piece(997, 'a');
    size_t left = 1000000;
    while (left > 0)
    {
        const size_t n = left < piece.size() ? left : piece.size();
        sha.Update(piece.data(), n);
        left -= n;
    }
    EXPECT_EQ(Hex(sha.Final()), "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

} // namespace
