#pragma once

#include "scenesdk/fileio/KScnEncryptedWrapper.h"

#include <cstdint>
#include <string>

// The Argon2id cost written into a protected file; the reader accepts
// KScnEncryptedWrapper::kMin* .. kMax*. Tests that open many files use the
// minimum to stay fast.
struct SScnEncryptCost
{
    uint32_t ops = scenesdk::KScnEncryptedWrapper::kDefaultOps;
    uint32_t memoryKiB = scenesdk::KScnEncryptedWrapper::kDefaultMemoryKiB;

    static SScnEncryptCost Cheapest()
    {
        return {scenesdk::KScnEncryptedWrapper::kMinOps, scenesdk::KScnEncryptedWrapper::kMinMemoryKiB};
    }
};

// Wraps a complete scene file (text or binary) as a password-protected one,
// wrapper version 2 of docs/scene-file-format.md section 8: the clear header
// records (those of one FileHeader field, binary record form) stay readable;
// the key comes from the password by Argon2id with a random salt, and the
// file is sealed with XChaCha20-Poly1305 under a random nonce, so no two
// calls give the same bytes. Empty when the cost is outside the reader's
// bounds or libsodium fails (out of memory).
std::string ScnEncrypt(const std::string& inner, const std::string& clearHeader, int32_t version,
                       const std::string& password, const SScnEncryptCost& cost = SScnEncryptCost());
