#pragma once

// KScnEncryptedWrapper: the wrapper of a password-protected scene file (kind
// 2; docs/scene-file-format.md section 8), held in memory. Open checks the
// parts that are readable without the password; Decrypt derives the key from
// a password and gives back the complete text or binary file inside.
//
// Version 2, the one written: the key comes from Argon2id with a random salt
// and the cost stored in the file, which Open bounds (kMaxOps, kMaxMemoryKiB)
// so that a hostile file cannot ask for more time or memory; the body is
// sealed with XChaCha20-Poly1305, every byte before it being associated
// data. A wrong password and an altered file both fail the authentication
// and cannot be told apart.
// Version 1 is still read: a SHA-256 password check and key stream, no
// authentication beyond the CRC.
//
// libsodium stays in the source file.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

class KScnEncryptedWrapper
{
public:
    // Version 2 layout (all offsets after the clear header shift by its
    // length H).
    static constexpr uint32_t kWrapperVersion = 2;
    static constexpr size_t kSaltBytes = 16;
    static constexpr size_t kNonceBytes = 24;
    static constexpr size_t kKeyBytes = 32;
    static constexpr size_t kTagBytes = 16;
    static constexpr size_t kFixedBytes = 84; // everything but the header and the sealed body

    // The Argon2id cost accepted from a file, inclusive: at the upper ends
    // one derivation takes about a third of a second on the development
    // machine. Memory in KiB.
    static constexpr uint32_t kMinOps = 1;
    static constexpr uint32_t kMaxOps = 4;
    static constexpr uint32_t kMinMemoryKiB = 8;
    static constexpr uint32_t kMaxMemoryKiB = 128 * 1024;
    // The cost writers use (about a tenth of a second).
    static constexpr uint32_t kDefaultOps = 3;
    static constexpr uint32_t kDefaultMemoryKiB = 64 * 1024;

    enum EDecrypt
    {
        eDecrypted,
        // The password does not open the body (in version 2 also: the
        // sealed parts were altered).
        eWrongPassword,
        // The key derivation could not get its memory, or libsodium could
        // not start.
        eNoResources
    };

    // Checks the magic, the lengths, the CRC, the wrapper version and the
    // stored cost, and keeps the parts. False, with the reason in
    // GetError() and nothing kept, for any fault: the file is corrupted.
    // No key is derived here.
    bool Open(const void* data, size_t size);
    void Clear();
    bool IsOpen() const { return mWrapperVersion != 0; }

    // 1 or 2 while open, 0 otherwise.
    uint32_t GetWrapperVersion() const { return mWrapperVersion; }
    // The version of the file inside (the binary preamble's).
    int32_t GetFileVersion() const { return mFileVersion; }
    // The clear header: the records of one FileHeader field in the binary
    // record form.
    const std::string& GetClearHeader() const { return mClearHeader; }
    // Version 2: the stored cost.
    uint32_t GetOps() const { return mOps; }
    uint32_t GetMemoryKiB() const { return mMemoryKiB; }
    const std::string& GetError() const { return mError; }

    // The plain file into plain (cleared unless eDecrypted). The password is
    // taken as its bytes (UTF-8).
    EDecrypt Decrypt(const std::string& password, std::vector<char>& plain) const;

private:
    bool Refuse(const std::string& why);
    bool OpenVersion1(const uint8_t* b, size_t n);
    bool OpenVersion2(const uint8_t* b, size_t n);
    EDecrypt DecryptVersion1(const std::string& password, std::vector<char>& plain) const;
    EDecrypt DecryptVersion2(const std::string& password, std::vector<char>& plain) const;

    uint32_t mWrapperVersion = 0;
    int32_t mFileVersion = 0;
    uint32_t mOps = 0;
    uint32_t mMemoryKiB = 0;
    std::string mClearHeader;
    std::string mSalt;
    std::string mCheck;      // version 1: the password check
    std::string mNonce;      // version 2
    std::string mAssociated; // version 2: the bytes before the sealed body
    std::string mBody;       // version 1: the XORed file; version 2: ciphertext and tag
    std::string mError;
};

} // namespace scenesdk
