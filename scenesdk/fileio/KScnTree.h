#pragma once

// The parsed form of a scene file: blocks of named fields, each field with a
// list of values and an optional sub-block. Both encodings (text and binary,
// see docs/scene-file-format.md) parse into this one model, and KScn walks it.
//
// The tree keeps the file's bytes and points into them: names and text values
// are NUL-terminated in place by the parsers, binary values are read where
// they lie. That keeps a parsed file within about one and a half times its
// size, whatever the length of its value arrays. A binary field whose values
// all have one fixed-size type (a vertex or index array) needs no entry per
// value: its values are found by their stride.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace scenesdk
{

// Fixed bytes of the binary encodings.
constexpr char kScnBinaryMagic[8] = {'\x89', 'S', 'C', 'N', 'B', '\r', '\n', '\x1A'};
constexpr char kScnEncryptedMagic[8] = {'\x89', 'S', 'C', 'N', 'X', '\r', '\n', '\x1A'};
constexpr char kScnEndMark[4] = {'S', 'C', 'N', 'E'};
// Sub-block length of a binary record that has no sub-block.
constexpr uint32_t kScnNoBlockLength = 0xFFFFFFFFu;
// Deepest block nesting either parser accepts (the root is depth 0).
constexpr int kScnMaxDepth = 256;
// Version written into the header of the files we write.
constexpr int32_t kScnCurrentVersion = 6000;

// File kinds, as the reader reports them.
enum EScnFileKind
{
    eScnKindUnknown = -1,
    eScnKindText = 0,
    eScnKindBinary = 1,
    eScnKindEncrypted = 2
};

// Tells the kind of a file from its first bytes: a binary or encrypted magic,
// else text when the first significant line starts a field (a name and ':').
EScnFileKind ScnDetectFileKind(const char* data, size_t size);

struct KScnField
{
    uint32_t name; // offset of the NUL-terminated name in the data
    // With stride 0: index of the first value in the value table. Otherwise
    // the values all have one fixed-size type and lie back to back: the
    // offset of the first in the data, each stride bytes after the previous.
    uint32_t firstValue;
    uint32_t valueCount;
    uint32_t subBlock; // block index, or KScnTree::kNone
    uint32_t next;     // next field of the same block, or KScnTree::kNone
    uint32_t stride;
};

struct KScnBlock
{
    uint32_t firstField; // KScnTree::kNone when empty
    uint32_t lastField;
    uint32_t fieldCount;
    uint32_t parent; // kNone for the root
};

class KScnTree
{
public:
    static constexpr uint32_t kNone = 0xFFFFFFFFu;
    // Files of 4 GB or more do not fit the 32-bit offsets and are refused.
    static constexpr size_t kMaxFileSize = 0xFFFFFF00u;

    KScnTree() { Clear(); }

    // Parses a whole file; on failure the tree is empty and ErrorDetail()
    // says what was wrong and where. The bytes are taken over.
    bool ParseText(std::vector<char>&& bytes);
    bool ParseBinary(std::vector<char>&& bytes);
    // Chooses the parser by ScnDetectFileKind; encrypted files are refused
    // here (the reader decrypts them first).
    bool Parse(std::vector<char>&& bytes);

    void Clear();
    bool IsBinary() const { return m_Binary; }
    bool IsEmpty() const { return m_Blocks.size() <= 1 && m_Blocks[0].fieldCount == 0; }
    const std::string& ErrorDetail() const { return m_Error; }
    // The u32 written after the binary magic (0 for text files).
    int32_t BinaryPreambleVersion() const { return m_PreambleVersion; }

    const KScnBlock& Block(uint32_t i) const { return m_Blocks[i]; }
    const KScnField& Field(uint32_t i) const { return m_Fields[i]; }
    uint32_t Root() const { return 0; }
    const char* Name(const KScnField& f) const { return m_Data.data() + f.name; }
    // Text trees: the value's NUL-terminated text. Binary trees: the value's
    // type letter, followed by its little-endian payload.
    const char* Value(uint32_t valueIndex) const { return m_Data.data() + m_Values[valueIndex]; }
    // Value i (below f.valueCount) of field f, as Value gives it.
    const char* FieldValue(const KScnField& f, uint32_t i) const
    {
        return f.stride != 0 ? m_Data.data() + f.firstValue + static_cast<size_t>(i) * f.stride
                             : m_Data.data() + m_Values[f.firstValue + i];
    }
    // One past the last byte of the data (text values end with a NUL before it).
    const char* DataEnd() const { return m_Data.data() + m_Data.size(); }
    size_t ValueCount() const { return m_Values.size(); }
    size_t FieldCount() const { return m_Fields.size(); }
    // Bytes held by the parsed tree (file bytes and tables).
    size_t MemoryUsed() const;
    // The bytes the tree's text encoding holds at least: each field's name,
    // ':' and its values, each value as its shortest text (numbers in their
    // shortest exact form, a letter bare, texts quoted) after " " or ", ",
    // and the braces and line ends of blocks, without indentation. For a
    // text tree, the bytes it holds (its file's and a guard byte).
    size_t TextBytes() const;

    // Builders used by the parsers.
    uint32_t AddBlock(uint32_t parent);
    uint32_t AddField(uint32_t block, uint32_t nameOffset);
    std::vector<char>& Data() { return m_Data; }
    std::vector<uint32_t>& Values() { return m_Values; }
    KScnField& MutableField(uint32_t i) { return m_Fields[i]; }
    void SetBinary(bool binary, int32_t preambleVersion)
    {
        m_Binary = binary;
        m_PreambleVersion = preambleVersion;
    }
    // Records the failure, empties the tree and returns false.
    bool Fail(const std::string& detail);
    // Releases the spare capacity of the tables once parsing is done.
    void Shrink();

private:
    std::vector<char> m_Data;
    std::vector<uint32_t> m_Values;
    std::vector<KScnField> m_Fields;
    std::vector<KScnBlock> m_Blocks;
    bool m_Binary = false;
    int32_t m_PreambleVersion = 0;
    std::string m_Error;
};

} // namespace scenesdk
