#include "tools/scnwriter/ScnEncrypt.h"

#include "scenesdk/fileio/KScnSha256.h"

#include <zlib.h>

namespace
{

void PutLittle(std::string& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

} // namespace

std::string ScnEncrypt(const std::string& inner, const std::string& clearHeader, int32_t version,
                       const std::string& password, bool breakChecksum)
{
    using scenesdk::KScnSha256;
    const std::string salt = "0123456789abcdef";
    KScnSha256 check;
    check.Update("check");
    check.Update(salt);
    check.Update(password);
    const KScnSha256::Digest checkDigest = check.Final();
    KScnSha256 keyHash;
    keyHash.Update(salt);
    keyHash.Update(password);
    const KScnSha256::Digest key = keyHash.Final();
    std::string body = inner;
    for (size_t i = 0, counter = 0; i < body.size(); ++counter)
    {
        KScnSha256 stream;
        stream.Update(key.data(), key.size());
        std::string c;
        PutLittle(c, counter, 8);
        stream.Update(c);
        const KScnSha256::Digest block = stream.Final();
        for (size_t k = 0; k < 32 && i < body.size(); ++k, ++i)
            body[i] = static_cast<char>(body[i] ^ static_cast<char>(block[k]));
    }
    std::string out("\x89SCNX\r\n\x1a", 8);
    PutLittle(out, static_cast<uint32_t>(version), 4);
    PutLittle(out, clearHeader.size(), 4);
    out += clearHeader;
    out += salt;
    out.append(reinterpret_cast<const char*>(checkDigest.data()), 8);
    PutLittle(out, body.size(), 8);
    out += body;
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size()));
    PutLittle(out, static_cast<uint32_t>(crc + (breakChecksum ? 1 : 0)), 4);
    return out + "SCNE";
}
