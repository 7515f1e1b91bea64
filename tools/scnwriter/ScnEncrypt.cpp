#include "tools/scnwriter/ScnEncrypt.h"

#include "scenesdk/fileio/KScnTree.h"

#include <sodium.h>
#include <zlib.h>

namespace
{

using scenesdk::KScnEncryptedWrapper;

void PutLittle(std::string& out, uint64_t v, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        out.push_back(static_cast<char>(v >> (8 * i)));
}

std::string RandomBytes(size_t n)
{
    std::string out(n, '\0');
    randombytes_buf(&out[0], n);
    return out;
}

const unsigned char* Unsigned(const std::string& s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

} // namespace

std::string ScnEncrypt(const std::string& inner, const std::string& clearHeader, int32_t version,
                       const std::string& password, const SScnEncryptCost& cost)
{
    if (cost.ops < KScnEncryptedWrapper::kMinOps || cost.ops > KScnEncryptedWrapper::kMaxOps ||
        cost.memoryKiB < KScnEncryptedWrapper::kMinMemoryKiB ||
        cost.memoryKiB > KScnEncryptedWrapper::kMaxMemoryKiB || sodium_init() < 0)
        return std::string();
    const std::string salt = RandomBytes(KScnEncryptedWrapper::kSaltBytes);
    const std::string nonce = RandomBytes(KScnEncryptedWrapper::kNonceBytes);
    unsigned char key[KScnEncryptedWrapper::kKeyBytes];
    if (crypto_pwhash(key, sizeof key, password.data(), password.size(), Unsigned(salt), cost.ops,
                      size_t(cost.memoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return std::string();
    const size_t sealed = inner.size() + KScnEncryptedWrapper::kTagBytes;
    // Everything before the sealed body is its associated data.
    std::string out(scenesdk::kScnEncryptedMagic, 8);
    PutLittle(out, KScnEncryptedWrapper::kWrapperVersion, 4);
    PutLittle(out, static_cast<uint32_t>(version), 4);
    PutLittle(out, clearHeader.size(), 4);
    out += clearHeader;
    out += salt;
    PutLittle(out, cost.ops, 4);
    PutLittle(out, cost.memoryKiB, 4);
    out += nonce;
    PutLittle(out, sealed, 8);
    const size_t associated = out.size();
    out.resize(associated + sealed);
    unsigned long long written = 0;
    crypto_aead_xchacha20poly1305_ietf_encrypt(reinterpret_cast<unsigned char*>(&out[associated]), &written,
                                               Unsigned(inner), inner.size(), Unsigned(out), associated,
                                               nullptr, Unsigned(nonce), key);
    sodium_memzero(key, sizeof key);
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(out.data()), static_cast<uInt>(out.size()));
    PutLittle(out, static_cast<uint32_t>(crc), 4);
    return out.append(scenesdk::kScnEndMark, 4);
}
