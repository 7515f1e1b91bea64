#include "scenesdk/importers/KScn3DSChunk.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace scenesdk
{

namespace
{

uint16_t U16At(const unsigned char* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t U32At(const unsigned char* p)
{
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

std::string Hex(uint16_t id)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", static_cast<unsigned>(id));
    return text;
}

} // namespace

bool KScn3DSChunk::OpenMain(const void* bytes, size_t size, uint16_t id, KScn3DSChunk& main, std::string& why,
                            std::string& warning)
{
    main = KScn3DSChunk();
    const auto* p = static_cast<const unsigned char*>(bytes);
    if (p == nullptr || size < kHeaderSize)
    {
        why = "not a 3DS file: shorter than a chunk header";
        return false;
    }
    if (U16At(p) != id)
    {
        why = "not a 3DS file: it starts with chunk " + Hex(U16At(p));
        return false;
    }
    const uint32_t length = U32At(p + 2);
    size_t end = size;
    if (length < kHeaderSize || length > size)
        warning = "main chunk length " + std::to_string(length) + " taken as the file's " +
                  std::to_string(size) + " bytes";
    else if (length < size)
    {
        end = length;
        warning = std::to_string(size - length) + " bytes after the main chunk ignored";
    }
    main.mBytes = p;
    main.mWhy = &why;
    main.mStart = 0;
    main.mPos = kHeaderSize;
    main.mEnd = end;
    main.mId = id;
    main.mDepth = 1;
    return true;
}

bool KScn3DSChunk::Fail(const std::string& reason)
{
    if (mWhy != nullptr && mWhy->empty())
        *mWhy = "chunk " + Hex(mId) + " at byte " + std::to_string(mStart) + ": " + reason;
    return false;
}

bool KScn3DSChunk::NextChild(KScn3DSChunk& child)
{
    if (Failed() || mBytes == nullptr || mPos == mEnd)
        return false;
    if (mEnd - mPos < kHeaderSize)
        return Fail(std::to_string(mEnd - mPos) + " bytes left, too few for a sub-chunk");
    const uint16_t id = U16At(mBytes + mPos);
    const uint32_t length = U32At(mBytes + mPos + 2);
    const std::string where = "sub-chunk " + Hex(id) + " at byte " + std::to_string(mPos);
    if (length < kHeaderSize)
        return Fail(where + ": length " + std::to_string(length) + " shorter than its header");
    if (length > mEnd - mPos)
        return Fail(where + ": length " + std::to_string(length) + " runs past the end of its parent (" +
                    std::to_string(mEnd - mPos) + " bytes left)");
    if (mDepth >= kMaxDepth)
        return Fail(where + ": chunks nested deeper than " + std::to_string(kMaxDepth));
    child.mBytes = mBytes;
    child.mWhy = mWhy;
    child.mStart = mPos;
    child.mPos = mPos + kHeaderSize;
    child.mEnd = mPos + length;
    child.mId = id;
    child.mDepth = mDepth + 1;
    mPos += length;
    return true;
}

bool KScn3DSChunk::Need(size_t bytes)
{
    if (Failed() || mBytes == nullptr)
        return false;
    if (bytes > mEnd - mPos)
        return Fail("data ends early (" + std::to_string(bytes) + " bytes wanted at byte " +
                    std::to_string(mPos) + ", " + std::to_string(mEnd - mPos) + " left)");
    return true;
}

bool KScn3DSChunk::ReadU8(uint8_t& value)
{
    if (!Need(1))
        return false;
    value = mBytes[mPos++];
    return true;
}

bool KScn3DSChunk::ReadU16(uint16_t& value)
{
    if (!Need(2))
        return false;
    value = U16At(mBytes + mPos);
    mPos += 2;
    return true;
}

bool KScn3DSChunk::ReadI16(int16_t& value)
{
    uint16_t bits = 0;
    if (!ReadU16(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    return true;
}

bool KScn3DSChunk::ReadU32(uint32_t& value)
{
    if (!Need(4))
        return false;
    value = U32At(mBytes + mPos);
    mPos += 4;
    return true;
}

bool KScn3DSChunk::ReadFloat(float& value)
{
    uint32_t bits = 0;
    if (!ReadU32(bits))
        return false;
    std::memcpy(&value, &bits, sizeof value);
    if (!std::isfinite(value))
        return Fail("a number that is not finite at byte " + std::to_string(mPos - 4));
    return true;
}

bool KScn3DSChunk::ReadFloats(float* values, size_t count)
{
    if (!CheckCount(count, 4, "numbers"))
        return false;
    for (size_t i = 0; i < count; ++i)
        if (!ReadFloat(values[i]))
            return false;
    return true;
}

bool KScn3DSChunk::ReadString(std::string& value)
{
    if (!Need(0))
        return false;
    const void* zero = std::memchr(mBytes + mPos, 0, mEnd - mPos);
    if (zero == nullptr)
        return Fail("a string without its end at byte " + std::to_string(mPos));
    const size_t length = static_cast<size_t>(static_cast<const unsigned char*>(zero) - (mBytes + mPos));
    value.assign(reinterpret_cast<const char*>(mBytes + mPos), length);
    mPos += length + 1;
    return true;
}

bool KScn3DSChunk::Skip(size_t bytes)
{
    if (!Need(bytes))
        return false;
    mPos += bytes;
    return true;
}

bool KScn3DSChunk::CheckCount(uint64_t count, size_t itemSize, const char* what)
{
    if (!Need(0))
        return false;
    if (itemSize != 0 && count > (mEnd - mPos) / itemSize)
        return Fail(std::string(what) + ": " + std::to_string(count) + " items of " +
                    std::to_string(itemSize) + " bytes do not fit in the " + std::to_string(mEnd - mPos) +
                    " bytes left");
    return true;
}

} // namespace scenesdk
