#include "scenesdk/importers/KScnDxfGroupReader.h"

#include "scenesdk/importers/KTextNumber.h"
#include "scenesdk/importers/KTextTokens.h"

#include <array>
#include <cmath>
#include <cstring>

namespace scenesdk
{

namespace
{

const char kSentinelTail[] = " Binary DXF\r\n\x1a"; // bytes 7..20; byte 21 is 0
constexpr size_t kSentinelSize = 22;

struct SCodeRange
{
    int first;
    int last;
    KScnDxfGroupReader::EType type;
};

// Codes not listed are strings.
const SCodeRange kCodeTypes[] = {
    {10, 59, KScnDxfGroupReader::eDouble},     {60, 79, KScnDxfGroupReader::eInt16},
    {90, 99, KScnDxfGroupReader::eInt32},      {110, 149, KScnDxfGroupReader::eDouble},
    {160, 169, KScnDxfGroupReader::eInt64},    {170, 179, KScnDxfGroupReader::eInt16},
    {210, 239, KScnDxfGroupReader::eDouble},   {270, 289, KScnDxfGroupReader::eInt16},
    {290, 299, KScnDxfGroupReader::eBool},     {310, 319, KScnDxfGroupReader::eBinary},
    {370, 389, KScnDxfGroupReader::eInt16},    {400, 409, KScnDxfGroupReader::eInt16},
    {420, 429, KScnDxfGroupReader::eInt32},    {440, 459, KScnDxfGroupReader::eInt32},
    {460, 469, KScnDxfGroupReader::eDouble},   {1004, 1004, KScnDxfGroupReader::eBinary},
    {1010, 1059, KScnDxfGroupReader::eDouble}, {1060, 1070, KScnDxfGroupReader::eInt16},
    {1071, 1071, KScnDxfGroupReader::eInt32},
};

using CTypeTable = std::array<unsigned char, KScnDxfGroupReader::kMaxCode + 1>;

const CTypeTable& TypeTable()
{
    static const CTypeTable table = []
    {
        CTypeTable t{};
        t.fill(KScnDxfGroupReader::eString);
        for (const SCodeRange& r : kCodeTypes)
            for (int code = r.first; code <= r.last; ++code)
                t[static_cast<size_t>(code)] = static_cast<unsigned char>(r.type);
        return t;
    }();
    return table;
}

// Integers of a type's width: 16- and 32-bit values may be written signed
// or unsigned.
bool IntegerFits(KScnDxfGroupReader::EType type, int64_t value)
{
    switch (type)
    {
    case KScnDxfGroupReader::eInt16:
        return value >= -32768 && value <= 65535;
    case KScnDxfGroupReader::eInt32:
        return value >= -2147483648LL && value <= 4294967295LL;
    case KScnDxfGroupReader::eBool:
        return value >= 0 && value <= 255;
    default:
        return true;
    }
}

template <class T> T ReadLittle(const unsigned char* p)
{
    // The values are little-endian, as is every machine this builds for.
    T value;
    std::memcpy(&value, p, sizeof(T));
    return value;
}

} // namespace

KScnDxfGroupReader::EType KScnDxfGroupReader::TypeOfCode(int code)
{
    if (code < 0 || code > kMaxCode)
        return eString;
    return static_cast<EType>(TypeTable()[static_cast<size_t>(code)]);
}

bool KScnDxfGroupReader::IsBinary(const char* data, size_t size)
{
    return size >= kSentinelSize && std::memcmp(data + 7, kSentinelTail, sizeof(kSentinelTail) - 1) == 0 &&
           data[21] == '\0';
}

bool KScnDxfGroupReader::Start(const char* data, size_t size, std::string& why)
{
    mData = reinterpret_cast<const unsigned char*>(data);
    mSize = size;
    mPutBack = false;
    mError.clear();
    mBinary = IsBinary(data, size);
    if (!mBinary)
    {
        mText.Attach(data, size);
        return true;
    }
    mPos = kSentinelSize;
    const unsigned char* d = mData;
    if (size >= 24 && d[22] == 0 && d[23] == 'S')
        mCodeBytes = 1;
    else if (size >= 25 && d[22] == 0 && d[23] == 0 && d[24] == 'S')
        mCodeBytes = 2;
    else
    {
        why = "binary file not starting with a section";
        return false;
    }
    return true;
}

std::string KScnDxfGroupReader::Where(size_t position) const
{
    return (mBinary ? "byte " : "line ") + std::to_string(position);
}

// Faults of a pair name the line of the code or value at fault (ASCII) or
// the pair's first byte (binary).
bool KScnDxfGroupReader::Fail(const std::string& reason)
{
    mError = Where(mBinary ? mPairStart : size_t(mText.GetLineNumber())) + ": " + reason;
    return false;
}

bool KScnDxfGroupReader::Next(KScnDxfGroup& group)
{
    if (mPutBack)
    {
        mPutBack = false;
        group = mLast;
        return true;
    }
    if (!mError.empty())
        return false;
    const bool ok = mBinary ? NextBinary(group) : NextAscii(group);
    if (ok)
        mLast = group;
    return ok;
}

bool KScnDxfGroupReader::NextAscii(KScnDxfGroup& group)
{
    std::string_view line;
    if (!mText.NextLine(line))
    {
        if (mText.Failed())
            mError = mText.GetError();
        return false;
    }
    mPairStart = size_t(mText.GetLineNumber());
    const std::string_view code = KTextTokens(line).Rest();
    if (!KTextNumber::ToInt(code, group.code))
        return Fail("not a group code: " + KTextTokens::Clip(code));
    if (group.code < 0 || group.code > kMaxCode)
        return Fail("group code " + std::to_string(group.code) + " out of range");
    if (!mText.NextLine(line))
    {
        if (mText.Failed())
            mError = mText.GetError();
        else
            mError = Where(mPairStart) + ": group code " + std::to_string(group.code) + " without a value";
        return false;
    }
    return AsciiValue(line, group);
}

bool KScnDxfGroupReader::AsciiValue(std::string_view line, KScnDxfGroup& group)
{
    const EType type = TypeOfCode(group.code);
    if (type == eString || type == eBinary)
    {
        group.text = line;
        return true;
    }
    const std::string_view value = KTextTokens(line).Rest();
    if (type == eDouble)
    {
        if (!KTextNumber::ToDouble(value, group.number))
            return Fail("not a number: " + KTextTokens::Clip(value));
        return true;
    }
    if (!KTextNumber::ToInt64(value, group.integer))
        return Fail("not an integer: " + KTextTokens::Clip(value));
    if (!IntegerFits(type, group.integer))
        return Fail("value " + KTextTokens::Clip(value) + " too large for group code " +
                    std::to_string(group.code));
    return true;
}

bool KScnDxfGroupReader::NextBinary(KScnDxfGroup& group)
{
    if (mPos >= mSize)
        return false;
    mPairStart = mPos;
    const size_t left = mSize - mPos;
    const unsigned char* p = mData + mPos;
    if (mCodeBytes == 1)
    {
        if (p[0] != 255)
        {
            group.code = p[0];
            mPos += 1;
        }
        else if (left >= 3)
        {
            group.code = ReadLittle<uint16_t>(p + 1);
            mPos += 3;
        }
        else
            return Fail("group code cut off by the end of the file");
    }
    else if (left >= 2)
    {
        group.code = ReadLittle<uint16_t>(p);
        mPos += 2;
    }
    else
        return Fail("group code cut off by the end of the file");
    if (group.code > kMaxCode)
        return Fail("group code " + std::to_string(group.code) + " out of range");

    p = mData + mPos;
    const size_t rest = mSize - mPos;
    const EType type = TypeOfCode(group.code);
    static const size_t kWidths[] = {0, 8, 2, 4, 8, 1, 0};
    size_t width = kWidths[type];
    if (type == eString)
    {
        const void* end = std::memchr(p, 0, rest);
        if (end == nullptr)
            return Fail("string without its end");
        width = static_cast<size_t>(static_cast<const unsigned char*>(end) - p);
        group.text = std::string_view(reinterpret_cast<const char*>(p), width);
        mPos += width + 1;
        return true;
    }
    if (type == eBinary)
    {
        if (rest < 1 || rest - 1 < p[0])
            return Fail("binary data longer than the file");
        group.text = std::string_view(reinterpret_cast<const char*>(p + 1), p[0]);
        mPos += 1 + size_t(p[0]);
        return true;
    }
    if (rest < width)
        return Fail("value cut off by the end of the file");
    mPos += width;
    switch (type)
    {
    case eDouble:
        group.number = ReadLittle<double>(p);
        if (!std::isfinite(group.number))
            return Fail("not a number for group code " + std::to_string(group.code));
        return true;
    case eInt16:
        group.integer = ReadLittle<int16_t>(p);
        return true;
    case eInt32:
        group.integer = ReadLittle<int32_t>(p);
        return true;
    case eInt64:
        group.integer = ReadLittle<int64_t>(p);
        return true;
    default:
        group.integer = p[0];
        return true;
    }
}

} // namespace scenesdk
