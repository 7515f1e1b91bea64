#include "scenesdk/fileio/KScnTree.h"

#include "scenesdk/fileio/KScnBinaryParser.h"
#include "scenesdk/fileio/KScnTextParser.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstring>

namespace scenesdk
{

EScnFileKind ScnDetectFileKind(const char* data, size_t size)
{
    if (data == nullptr)
    {
        return eScnKindUnknown;
    }
    if (size >= 8 && std::memcmp(data, kScnBinaryMagic, 8) == 0)
    {
        return eScnKindBinary;
    }
    if (size >= 8 && std::memcmp(data, kScnEncryptedMagic, 8) == 0)
    {
        return eScnKindEncrypted;
    }
    return KScnTextParser::LooksLikeText(data, size) ? eScnKindText : eScnKindUnknown;
}

void KScnTree::Clear()
{
    m_Data.clear();
    m_Data.shrink_to_fit();
    m_Values.clear();
    m_Values.shrink_to_fit();
    m_Fields.clear();
    m_Fields.shrink_to_fit();
    m_Blocks.clear();
    m_Blocks.push_back(KScnBlock{kNone, kNone, 0, kNone});
    m_Binary = false;
    m_PreambleVersion = 0;
}

bool KScnTree::ParseText(std::vector<char>&& bytes)
{
    Clear();
    m_Error.clear();
    if (bytes.size() > kMaxFileSize)
    {
        return Fail("file too large");
    }
    m_Data = std::move(bytes);
    return KScnTextParser::Parse(*this);
}

bool KScnTree::ParseBinary(std::vector<char>&& bytes)
{
    Clear();
    m_Error.clear();
    if (bytes.size() > kMaxFileSize)
    {
        return Fail("file too large");
    }
    m_Data = std::move(bytes);
    return KScnBinaryParser::Parse(*this);
}

bool KScnTree::Parse(std::vector<char>&& bytes)
{
    switch (ScnDetectFileKind(bytes.data(), bytes.size()))
    {
    case eScnKindText:
        return ParseText(std::move(bytes));
    case eScnKindBinary:
        return ParseBinary(std::move(bytes));
    case eScnKindEncrypted:
        Clear();
        return Fail("encrypted file");
    default:
        Clear();
        return Fail("not a scene file");
    }
}

uint32_t KScnTree::AddBlock(uint32_t parent)
{
    m_Blocks.push_back(KScnBlock{kNone, kNone, 0, parent});
    return static_cast<uint32_t>(m_Blocks.size() - 1);
}

uint32_t KScnTree::AddField(uint32_t block, uint32_t nameOffset)
{
    const uint32_t index = static_cast<uint32_t>(m_Fields.size());
    m_Fields.push_back(KScnField{nameOffset, static_cast<uint32_t>(m_Values.size()), 0, kNone, kNone, 0});
    KScnBlock& b = m_Blocks[block];
    if (b.lastField == kNone)
    {
        b.firstField = index;
    }
    else
    {
        m_Fields[b.lastField].next = index;
    }
    b.lastField = index;
    ++b.fieldCount;
    return index;
}

bool KScnTree::Fail(const std::string& detail)
{
    Clear();
    m_Error = detail;
    return false;
}

void KScnTree::Shrink()
{
    m_Values.shrink_to_fit();
    m_Fields.shrink_to_fit();
    m_Blocks.shrink_to_fit();
}

namespace
{

template <typename T> T LoadValue(const char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v); // payloads are little-endian, as the host
    return v;
}

size_t IntegerDigits(int64_t v)
{
    size_t digits = v < 0 ? 2 : 1;
    for (uint64_t rest = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v); rest >= 10;
         rest /= 10)
    {
        ++digits;
    }
    return digits;
}

// The shortest text that reads back as the number (whole numbers, the
// common case, without a conversion).
template <typename T> size_t NumberDigits(T v)
{
    if (v == std::trunc(v) && std::fabs(v) < 1e15)
    {
        return IntegerDigits(static_cast<int64_t>(v));
    }
    char text[64];
    const std::to_chars_result written = std::to_chars(text, text + sizeof text, v);
    return written.ec == std::errc() ? static_cast<size_t>(written.ptr - text) : sizeof text;
}

// The text of a binary value: the type letter, then the payload.
size_t BinaryValueText(const char* v)
{
    switch (v[0])
    {
    case 'C':
        return std::isalnum(static_cast<unsigned char>(v[1])) != 0 ? 1 : 3;
    case 'I':
        return IntegerDigits(LoadValue<int32_t>(v + 1));
    case 'L':
        return IntegerDigits(LoadValue<int64_t>(v + 1));
    case 'F':
        return NumberDigits(LoadValue<float>(v + 1));
    case 'D':
        return NumberDigits(LoadValue<double>(v + 1));
    default: // 'S': quoted
        return LoadValue<uint32_t>(v + 1) + 2;
    }
}

} // namespace

size_t KScnTree::TextBytes() const
{
    if (!m_Binary)
    {
        return m_Data.size();
    }
    // "Name:", a value after " " and each next one after ", ", then the
    // line's end, or " {", a line end, the block and "}" with its line end.
    size_t bytes = 0;
    for (const KScnField& f : m_Fields)
    {
        bytes += std::strlen(Name(f)) + 1 + (f.subBlock != kNone ? 5 : 1) +
                 (f.valueCount > 0 ? 2 * static_cast<size_t>(f.valueCount) - 1 : 0);
        for (uint32_t i = 0; i < f.valueCount; ++i)
        {
            bytes += BinaryValueText(FieldValue(f, i));
        }
    }
    return bytes;
}

size_t KScnTree::MemoryUsed() const
{
    return m_Data.capacity() + m_Values.capacity() * sizeof(uint32_t) +
           m_Fields.capacity() * sizeof(KScnField) + m_Blocks.capacity() * sizeof(KScnBlock);
}

} // namespace scenesdk
