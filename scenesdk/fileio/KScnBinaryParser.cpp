#include "scenesdk/fileio/KScnBinaryParser.h"

#include "scenesdk/fileio/KScnTree.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace scenesdk
{

namespace
{

constexpr size_t kPreambleSize = 12; // magic and version
constexpr size_t kTrailerSize = 8;   // CRC-32 and end mark
constexpr size_t kRecordHeadSize = 13;

uint32_t ReadU32(const char* p)
{
    const auto* b = reinterpret_cast<const unsigned char*>(p);
    return static_cast<uint32_t>(b[0]) | static_cast<uint32_t>(b[1]) << 8 |
           static_cast<uint32_t>(b[2]) << 16 | static_cast<uint32_t>(b[3]) << 24;
}

// Payload bytes after the type letter; 0 marks an unknown letter. Texts ('S')
// are sized from their own length word.
const std::array<unsigned char, 256>& PayloadSizes()
{
    static const std::array<unsigned char, 256> table = []
    {
        std::array<unsigned char, 256> t{};
        t['C'] = 1;
        t['I'] = 4;
        t['F'] = 4;
        t['L'] = 8;
        t['D'] = 8;
        t['S'] = 4;
        return t;
    }();
    return table;
}

class BinaryParser
{
public:
    explicit BinaryParser(KScnTree& tree) : m_Tree(tree), m_Sizes(PayloadSizes()) {}
    bool Run();

private:
    bool Walk();
    bool Fail(const char* what) const
    {
        return m_Tree.Fail(std::string(what) + " at byte " + std::to_string(m_P));
    }
    bool ParseRecord();
    bool ParseValues(uint32_t field, uint32_t count, size_t end);
    bool ParseUniformValues(uint32_t field, uint32_t count, size_t end);

    struct Level
    {
        uint32_t block;
        size_t end;
    };

    KScnTree& m_Tree;
    const std::array<unsigned char, 256>& m_Sizes;
    const char* m_D = nullptr;
    size_t m_P = 0;
    uint32_t m_Block = 0;
    size_t m_End = 0; // end of the current block's records
    std::vector<Level> m_Stack;
    // First pass: only the record heads are read, to size the value table
    // exactly; the second pass reads everything.
    bool m_CountOnly = false;
    size_t m_TotalValues = 0;
};

// Values all of one fixed-size type, filling their bytes exactly: the field
// records where they start and their stride, and the value table is left
// alone. False (nothing changed) when the values are not of that form.
bool BinaryParser::ParseUniformValues(uint32_t field, uint32_t count, size_t end)
{
    const char* d = m_D;
    const unsigned char letter = static_cast<unsigned char>(d[m_P]);
    const size_t stride = 1 + static_cast<size_t>(m_Sizes[letter]);
    if (letter == 'S' || stride == 1 || (end - m_P) / stride != count || (end - m_P) % stride != 0)
    {
        return false;
    }
    for (size_t p = m_P + stride; p < end; p += stride)
    {
        if (static_cast<unsigned char>(d[p]) != letter)
        {
            return false;
        }
    }
    KScnField& f = m_Tree.MutableField(field);
    f.firstValue = static_cast<uint32_t>(m_P);
    f.stride = static_cast<uint32_t>(stride);
    m_P = end;
    return true;
}

bool BinaryParser::ParseValues(uint32_t field, uint32_t count, size_t end)
{
    if (count > 0 && m_P < end && ParseUniformValues(field, count, end))
    {
        return true;
    }
    std::vector<uint32_t>& values = m_Tree.Values();
    const size_t first = values.size();
    // Room for every value was reserved by the first pass.
    values.resize(first + count);
    uint32_t* out = values.data() + first;
    const char* d = m_D;
    size_t p = m_P;
    for (uint32_t i = 0; i < count; ++i)
    {
        if (p >= end)
        {
            m_P = p;
            return Fail("value outside its record");
        }
        const unsigned char letter = static_cast<unsigned char>(d[p]);
        const size_t payload = m_Sizes[letter];
        if (payload == 0 || end - p - 1 < payload)
        {
            m_P = p;
            return Fail(payload == 0 ? "unknown value type" : "value outside its record");
        }
        out[i] = static_cast<uint32_t>(p);
        if (letter != 'S')
        {
            p += 1 + payload;
            continue;
        }
        const size_t length = ReadU32(d + p + 1);
        if (length >= end - p - 5 || d[p + 5 + length] != '\0')
        {
            m_P = p;
            return Fail("bad text value");
        }
        p += 5 + length + 1;
    }
    m_P = p;
    if (m_P != end)
    {
        return Fail("value bytes do not match their length");
    }
    return true;
}

bool BinaryParser::ParseRecord()
{
    if (m_End - m_P < kRecordHeadSize + 1)
    {
        return Fail("truncated record");
    }
    const uint32_t count = ReadU32(m_D + m_P);
    const uint32_t valueBytes = ReadU32(m_D + m_P + 4);
    const uint32_t blockBytes = ReadU32(m_D + m_P + 8);
    const size_t nameLength = static_cast<unsigned char>(m_D[m_P + 12]);
    m_P += kRecordHeadSize;
    if (m_End - m_P < nameLength + 1 || m_D[m_P + nameLength] != '\0' ||
        std::memchr(m_D + m_P, '\0', nameLength) != nullptr)
    {
        return Fail("bad field name");
    }
    const uint32_t name = static_cast<uint32_t>(m_P);
    m_P += nameLength + 1;
    const size_t left = m_End - m_P;
    if (valueBytes > left || (blockBytes != kScnNoBlockLength && blockBytes > left - valueBytes))
    {
        return Fail("record longer than its block");
    }
    if (count > valueBytes / 2) // every value takes at least two bytes
    {
        return Fail("value count too large");
    }
    uint32_t field = KScnTree::kNone;
    if (m_CountOnly)
    {
        m_TotalValues += count;
        m_P += valueBytes;
    }
    else
    {
        field = m_Tree.AddField(m_Block, name);
        if (!ParseValues(field, count, m_P + valueBytes))
        {
            return false;
        }
        m_Tree.MutableField(field).valueCount = count;
    }
    if (blockBytes != kScnNoBlockLength)
    {
        if (static_cast<int>(m_Stack.size()) >= kScnMaxDepth)
        {
            return Fail("blocks nested too deeply");
        }
        m_Stack.push_back(Level{m_Block, m_End});
        if (!m_CountOnly)
        {
            m_Block = m_Tree.AddBlock(m_Block);
            m_Tree.MutableField(field).subBlock = m_Block;
        }
        m_End = m_P + blockBytes;
    }
    return true;
}

bool BinaryParser::Run()
{
    const std::vector<char>& data = m_Tree.Data();
    const size_t n = data.size();
    m_D = data.data();
    if (n < kPreambleSize + kTrailerSize)
    {
        return Fail("file too short");
    }
    if (std::memcmp(m_D, kScnBinaryMagic, 8) != 0 || std::memcmp(m_D + n - 4, kScnEndMark, 4) != 0)
    {
        return Fail("bad magic or end mark");
    }
    const uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(m_D), static_cast<uInt>(n - kTrailerSize));
    if (crc != ReadU32(m_D + n - kTrailerSize))
    {
        m_P = n - kTrailerSize;
        return Fail("CRC mismatch");
    }
    m_Tree.SetBinary(true, static_cast<int32_t>(ReadU32(m_D + 8)));
    m_CountOnly = true;
    if (!Walk())
    {
        return false;
    }
    m_Tree.Values().reserve(m_TotalValues);
    m_CountOnly = false;
    return Walk();
}

bool BinaryParser::Walk()
{
    m_P = kPreambleSize;
    m_End = m_Tree.Data().size() - kTrailerSize;
    m_Block = 0;
    m_Stack.clear();
    while (true)
    {
        while (m_P == m_End)
        {
            if (m_Stack.empty())
            {
                return true;
            }
            m_Block = m_Stack.back().block;
            m_End = m_Stack.back().end;
            m_Stack.pop_back();
        }
        if (!ParseRecord())
        {
            return false;
        }
    }
}

} // namespace

bool KScnBinaryParser::Parse(KScnTree& tree)
{
    BinaryParser parser(tree);
    if (!parser.Run())
    {
        return false;
    }
    tree.Shrink();
    return true;
}

} // namespace scenesdk
