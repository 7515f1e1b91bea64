#include "scenesdk/fileio/KScnEncryptedWrapper.h"

#include "scenesdk/fileio/KScnTree.h"

#include <sodium.h>
#include <zlib.h>

#include <cstring>

namespace scenesdk
{

static_assert(KScnEncryptedWrapper::kSaltBytes == crypto_pwhash_SALTBYTES, "salt size");
static_assert(KScnEncryptedWrapper::kNonceBytes == crypto_aead_xchacha20poly1305_ietf_NPUBBYTES,
              "nonce size");
static_assert(KScnEncryptedWrapper::kKeyBytes == crypto_aead_xchacha20poly1305_ietf_KEYBYTES, "key size");
static_assert(KScnEncryptedWrapper::kTagBytes == crypto_aead_xchacha20poly1305_ietf_ABYTES, "tag size");
static_assert(KScnEncryptedWrapper::kMinOps >= crypto_pwhash_argon2id_OPSLIMIT_MIN, "ops bound");
static_assert(KScnEncryptedWrapper::kMinMemoryKiB * 1024ull >= crypto_pwhash_argon2id_MEMLIMIT_MIN,
              "memory bound");

namespace
{

// Version 1 sizes: salt, check, the u64 body length.
constexpr size_t kV1FixedBytes = 56;
// Below this a value at offset 8 is a wrapper version; from it on, the file
// version of a version-1 wrapper (readable files start at 1000).
constexpr uint32_t kFirstFileVersion = 1000;

uint32_t U32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint64_t U64(const uint8_t* p)
{
    return uint64_t(U32(p)) | uint64_t(U32(p + 4)) << 32;
}

std::string Bytes(const uint8_t* p, size_t n)
{
    return std::string(reinterpret_cast<const char*>(p), n);
}

const unsigned char* Unsigned(const std::string& s)
{
    return reinterpret_cast<const unsigned char*>(s.data());
}

} // namespace

bool KScnEncryptedWrapper::Refuse(const std::string& why)
{
    Clear();
    mError = "encrypted file: " + why;
    return false;
}

void KScnEncryptedWrapper::Clear()
{
    mWrapperVersion = 0;
    mFileVersion = 0;
    mOps = mMemoryKiB = 0;
    mClearHeader.clear();
    mSalt.clear();
    mCheck.clear();
    mNonce.clear();
    mAssociated.clear();
    mBody.clear();
    mError.clear();
}

bool KScnEncryptedWrapper::Open(const void* data, size_t size)
{
    Clear();
    const uint8_t* b = static_cast<const uint8_t*>(data);
    const size_t n = data != nullptr ? size : 0;
    // The CRC covers every byte before it: an accidental fault anywhere is
    // caught here, before the password is asked for.
    if (n < 16 || std::memcmp(b, kScnEncryptedMagic, 8) != 0 || std::memcmp(b + n - 4, kScnEndMark, 4) != 0 ||
        U32(b + n - 8) != crc32(0L, b, static_cast<uInt>(n - 8)))
        return Refuse("bad wrapper or checksum");
    const uint32_t version = U32(b + 8);
    if (version == kWrapperVersion)
        return OpenVersion2(b, n);
    if (version >= kFirstFileVersion)
        return OpenVersion1(b, n);
    return Refuse("unknown wrapper version " + std::to_string(version));
}

// magic, u32 file version, u32 H, header, salt 16, check 8, u64 B, body B,
// CRC, end mark.
bool KScnEncryptedWrapper::OpenVersion1(const uint8_t* b, size_t n)
{
    if (n < kV1FixedBytes)
        return Refuse("bad wrapper or checksum");
    const size_t h = U32(b + 12);
    if (h > n - kV1FixedBytes)
        return Refuse("header length out of range");
    if (U64(b + 40 + h) != n - kV1FixedBytes - h)
        return Refuse("body length does not fit");
    mWrapperVersion = 1;
    mFileVersion = static_cast<int32_t>(U32(b + 8));
    mClearHeader = Bytes(b + 16, h);
    mSalt = Bytes(b + 16 + h, 16);
    mCheck = Bytes(b + 32 + h, 8);
    mBody = Bytes(b + 48 + h, n - kV1FixedBytes - h);
    return true;
}

// magic, u32 2, u32 file version, u32 H, header, salt 16, u32 ops, u32 memory
// KiB, nonce 24, u64 S, sealed body S (ciphertext and tag), CRC, end mark.
bool KScnEncryptedWrapper::OpenVersion2(const uint8_t* b, size_t n)
{
    if (n < kFixedBytes)
        return Refuse("bad wrapper or checksum");
    const size_t h = U32(b + 16);
    if (h > n - kFixedBytes)
        return Refuse("header length out of range");
    const uint8_t* p = b + 20 + h;
    const uint32_t ops = U32(p + 16);
    const uint32_t memory = U32(p + 20);
    if (ops < kMinOps || ops > kMaxOps || memory < kMinMemoryKiB || memory > kMaxMemoryKiB)
        return Refuse("key derivation cost out of bounds (" + std::to_string(ops) + " passes, " +
                      std::to_string(memory) + " KiB)");
    const size_t sealed = n - kFixedBytes - h;
    if (U64(p + 48) != sealed || sealed <= kTagBytes)
        return Refuse("body length does not fit");
    mWrapperVersion = 2;
    mFileVersion = static_cast<int32_t>(U32(b + 12));
    mClearHeader = Bytes(b + 20, h);
    mSalt = Bytes(p, kSaltBytes);
    mOps = ops;
    mMemoryKiB = memory;
    mNonce = Bytes(p + 24, kNonceBytes);
    mAssociated = Bytes(b, 76 + h);
    mBody = Bytes(p + 56, sealed);
    return true;
}

KScnEncryptedWrapper::EDecrypt KScnEncryptedWrapper::Decrypt(const std::string& password,
                                                             std::vector<char>& plain) const
{
    plain.clear();
    if (!IsOpen())
        return eWrongPassword;
    if (sodium_init() < 0)
        return eNoResources;
    const EDecrypt result =
        mWrapperVersion == 1 ? DecryptVersion1(password, plain) : DecryptVersion2(password, plain);
    if (result != eDecrypted)
        plain.clear();
    return result;
}

// Check: the first 8 bytes of SHA-256("check" salt password); key K =
// SHA-256(salt password); stream block i = SHA-256(K, i as u64 little-endian).
KScnEncryptedWrapper::EDecrypt KScnEncryptedWrapper::DecryptVersion1(const std::string& password,
                                                                     std::vector<char>& plain) const
{
    unsigned char digest[crypto_hash_sha256_BYTES];
    const std::string check = "check" + mSalt + password;
    crypto_hash_sha256(digest, Unsigned(check), check.size());
    if (sodium_memcmp(digest, mCheck.data(), mCheck.size()) != 0)
        return eWrongPassword;
    unsigned char key[crypto_hash_sha256_BYTES];
    const std::string keyInput = mSalt + password;
    crypto_hash_sha256(key, Unsigned(keyInput), keyInput.size());
    plain.assign(mBody.begin(), mBody.end());
    unsigned char block[crypto_hash_sha256_BYTES + 8];
    for (size_t i = 0, counter = 0; i < plain.size(); ++counter)
    {
        std::memcpy(block, key, sizeof key);
        for (int k = 0; k < 8; ++k)
            block[sizeof key + k] = static_cast<unsigned char>(static_cast<uint64_t>(counter) >> (8 * k));
        unsigned char stream[crypto_hash_sha256_BYTES];
        crypto_hash_sha256(stream, block, sizeof block);
        for (size_t k = 0; k < sizeof stream && i < plain.size(); ++k, ++i)
            plain[i] = static_cast<char>(plain[i] ^ static_cast<char>(stream[k]));
    }
    sodium_memzero(key, sizeof key);
    sodium_memzero(block, sizeof block);
    return eDecrypted;
}

KScnEncryptedWrapper::EDecrypt KScnEncryptedWrapper::DecryptVersion2(const std::string& password,
                                                                     std::vector<char>& plain) const
{
    unsigned char key[kKeyBytes];
    if (crypto_pwhash(key, sizeof key, password.data(), password.size(), Unsigned(mSalt), mOps,
                      size_t(mMemoryKiB) * 1024, crypto_pwhash_ALG_ARGON2ID13) != 0)
        return eNoResources;
    plain.resize(mBody.size() - kTagBytes);
    unsigned long long length = 0;
    const int opened = crypto_aead_xchacha20poly1305_ietf_decrypt(
        reinterpret_cast<unsigned char*>(plain.data()), &length, nullptr, Unsigned(mBody), mBody.size(),
        Unsigned(mAssociated), mAssociated.size(), Unsigned(mNonce), key);
    sodium_memzero(key, sizeof key);
    return opened == 0 ? eDecrypted : eWrongPassword;
}

} // namespace scenesdk
