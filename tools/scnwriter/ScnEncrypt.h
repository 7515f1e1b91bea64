#pragma once

#include <cstdint>
#include <string>

// Wraps a complete scene file (text or binary) as an encrypted one, as
// docs/scene-file-format.md describes: magic, version, the clear header
// records, salt, password check, the body xor-ed with a SHA-256 key stream,
// CRC-32 and the closing tag. A fixed salt keeps the output reproducible.
// breakChecksum writes a wrong CRC, for tests of the reader's refusal.
std::string ScnEncrypt(const std::string& inner, const std::string& clearHeader, int32_t version,
                       const std::string& password, bool breakChecksum = false);
