#pragma once

// KScnDxfGroupReader: the (group code, value) pairs of a DXF file, ASCII or
// binary, one at a time. The code fixes the value's type (TypeOfCode); each
// value is checked as it is read: a number must be a finite number of its
// type (an ASCII integer must fit 32 bits, a 16-bit one 16 bits signed or
// unsigned), a binary string must end before the file does, a code must lie
// in 0..1071. Codes whose type no release defines read as strings.
//
// ASCII: two lines per pair (LF, CR LF or CR), the code with blanks around
// it, the value as written without its line ending (strings keep their
// blanks; numbers may have blanks around them). Binary: the 22-byte sentinel,
// then codes of 1 byte (255 escapes to 2 bytes) in files of the R12
// generation or of 2 bytes from R13 on, told apart by the first pair, which
// must be 0 SECTION; values little-endian (strings end with NUL, binary
// chunks have a length byte).
//
// Strings handed out are views into the bytes given to Start, which must
// outlive the reader. Time is linear in the file.

#include "scenesdk/importers/KTextFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace scenesdk
{

struct KScnDxfGroup
{
    int code = 0;
    std::string_view text; // strings, handles and binary chunks (hex text in ASCII)
    double number = 0.0;   // doubles
    int64_t integer = 0;   // integers and booleans
};

class KScnDxfGroupReader
{
public:
    enum EType
    {
        eString,
        eDouble,
        eInt16,
        eInt32,
        eInt64,
        eBool,
        eBinary
    };
    static constexpr int kMaxCode = 1071;

    // The type of a code in 0..kMaxCode.
    static EType TypeOfCode(int code);
    // True when the bytes begin with the binary sentinel.
    static bool IsBinary(const char* data, size_t size);

    // Starts at the first pair. False with why when a binary file's first
    // pair is not 0 SECTION.
    bool Start(const char* data, size_t size, std::string& why);
    bool Binary() const { return mBinary; }

    // The next pair; false at the end of the bytes or on a fault (Failed).
    bool Next(KScnDxfGroup& group);
    // The pair last read is read again by the next Next.
    void PutBack() { mPutBack = true; }
    bool Failed() const { return !mError.empty(); }
    // "line N: reason" or "byte N: reason".
    const std::string& GetError() const { return mError; }
    // Where the last pair began: its code's line (ASCII) or first byte.
    size_t GetPosition() const { return mPairStart; }
    // "line 12" or "byte 345" for a position.
    std::string Where(size_t position) const;

private:
    bool NextAscii(KScnDxfGroup& group);
    bool NextBinary(KScnDxfGroup& group);
    bool AsciiValue(std::string_view line, KScnDxfGroup& group);
    bool Fail(const std::string& reason);

    KTextFile mText;
    const unsigned char* mData = nullptr;
    size_t mSize = 0;
    size_t mPos = 0;
    size_t mPairStart = 0;
    int mCodeBytes = 2;
    bool mBinary = false;
    bool mPutBack = false;
    KScnDxfGroup mLast;
    std::string mError;
};

} // namespace scenesdk
