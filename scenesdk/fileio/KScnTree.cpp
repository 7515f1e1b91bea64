#include "scenesdk/fileio/KScnTree.h"

#include "scenesdk/fileio/KScnBinaryParser.h"
#include "scenesdk/fileio/KScnTextParser.h"

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

size_t KScnTree::MemoryUsed() const
{
    return m_Data.capacity() + m_Values.capacity() * sizeof(uint32_t) +
           m_Fields.capacity() * sizeof(KScnField) + m_Blocks.capacity() * sizeof(KScnBlock);
}

} // namespace scenesdk
