#pragma once

// KScn3DSChunk: one chunk of a 3D Studio file, read in place from the file's
// bytes. A chunk is a 6-byte header (uint16 id, uint32 length counting the
// header) followed by its own data and then its sub-chunks; every number is
// little-endian.
//
// A chunk reads its data from a position that starts after the header:
// ReadU16, ReadFloat, ReadString and the rest each move the position on, and
// NextChild takes the sub-chunk at the position and moves past it. Nothing
// is ever read outside the chunk: a read past its end, a sub-chunk whose
// length is under 6 or runs past its parent's end, nesting deeper than
// kMaxDepth, a string without its terminating zero, a float that is not
// finite, or a count whose items cannot fit in the bytes left (CheckCount)
// fails. A failure writes the reason, with the chunk's id and file offset,
// into the text given at OpenMain (shared by all chunks of the file; the
// first reason is kept) and every later read of any chunk fails too.
//
// The chunks keep pointers into the bytes and the reason text: both must
// outlive them.

#include <cstddef>
#include <cstdint>
#include <string>

namespace scenesdk
{

class KScn3DSChunk
{
public:
    static constexpr size_t kHeaderSize = 6;
    // Deepest nesting read; the main chunk is at depth 1.
    static constexpr int kMaxDepth = 256;

    // The chunk at the start of the file, which must have the given id. A
    // length of 0 or past the end of the file is taken as the whole file (some
    // writers get it wrong), and bytes after a shorter main chunk are left;
    // either gives a note in warning. False (why set) when the file is shorter
    // than a header or starts with another id.
    static bool OpenMain(const void* bytes, size_t size, uint16_t id, KScn3DSChunk& main, std::string& why,
                         std::string& warning);

    KScn3DSChunk() = default;

    uint16_t GetId() const { return mId; }
    // File offset of the chunk's header.
    size_t GetOffset() const { return mStart; }
    int GetDepth() const { return mDepth; }
    // Bytes between the reading position and the chunk's end.
    size_t GetRemaining() const { return mEnd - mPos; }
    bool Failed() const { return mWhy != nullptr && !mWhy->empty(); }

    // The next sub-chunk from the reading position; false at the chunk's end
    // (Failed() false) or on a fault (Failed() true).
    bool NextChild(KScn3DSChunk& child);

    bool ReadU8(uint8_t& value);
    bool ReadU16(uint16_t& value);
    bool ReadI16(int16_t& value);
    bool ReadU32(uint32_t& value);
    bool ReadFloat(float& value);
    bool ReadFloats(float* values, size_t count);
    // A zero-terminated string (the zero is consumed, not stored).
    bool ReadString(std::string& value);
    bool Skip(size_t bytes);
    // True when count items of itemSize bytes fit in the bytes left; else a
    // failure naming what ("vertex list", ...).
    bool CheckCount(uint64_t count, size_t itemSize, const char* what);
    // Fails with reason, prefixed by the chunk's id and offset; false.
    bool Fail(const std::string& reason);

private:
    bool Need(size_t bytes);

    const unsigned char* mBytes = nullptr;
    std::string* mWhy = nullptr;
    size_t mStart = 0;
    size_t mPos = 0;
    size_t mEnd = 0;
    uint16_t mId = 0;
    int mDepth = 0;
};

} // namespace scenesdk
