#pragma once

// KScn: the field interface over a parsed scene file. The whole file is parsed
// into a KScnTree when it is opened, so a malformed file is refused before any
// caller sees a field; walking the tree afterwards cannot fail.
//
// Walking model: a stack of block contexts, the root's at the bottom. Each
// context has the block, its current field (or none), the value cursor of that
// field, and per field name the position from which the next OpenField of that
// name searches, and the walk position of OpenNextField. EnterFieldBlock
// pushes a fresh context for the current field's sub-block (positions at the
// start); LeaveFieldBlock pops it, and the parent's current field and cursor
// are as they were.
//
// Reading past the last value of a field gives 0, '\0' or "" and does not move
// the cursor. Every returned text lives as long as the file stays open.
//
// Errors go to the error record with the reader's table (GetErrorTable):
// 0 "File is corrupted" for any parse failure or missing header, 3 "File not
// opened" for an unreadable file; the status text says what was wrong.

#include "scenesdk/animation/KTime.h"
#include "scenesdk/fileio/KScnTree.h"
#include "scenesdk/kernel/KErrorRecord.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace scenesdk
{

// Conversions of one field value, as KScn reads them: a text value (a number
// in the C locale, an optional leading '+'; 0 when the text does not start
// with one), NUL-terminated at or before end; or a binary value, its type
// letter followed by its payload. Long forms saturate.
double ScnTextToDouble(const char* s, const char* end);
int64_t ScnTextToLong(const char* s, const char* end);
double ScnBinaryToDouble(const char* v);
int64_t ScnBinaryToLong(const char* v);

class KScn
{
public:
    enum EError
    {
        eFileCorrupted = 0,
        eFileVersionNotSupportedYet = 1,
        eFileVersionNotSupportedAnymore = 2,
        eFileNotOpened = 3,
        eFileNotCreated = 4,
        eWrongPassword = 5,
        eStreamOptionsNotSet = 6,
        eUnidentifiedError = 7,
        eErrorCount = 8
    };
    // The reader's message table, indexed by EError.
    static const char* const* GetErrorTable();

    KScn();
    ~KScn();
    KScn(const KScn&) = delete;
    KScn& operator=(const KScn&) = delete;

    // Reads and parses a whole file (text or binary). False, with the error
    // record set and nothing open, when the file cannot be read or is not a
    // well-formed scene file with a header. Encrypted files are refused here:
    // the reader decrypts them and opens the plain bytes with OpenMemory.
    bool OpenFile(const char* path);
    // The file reading of OpenFile, for readers that look at the bytes first:
    // only a regular file of at most KScnTree::kMaxFileSize bytes is read
    // (a FIFO or device gives eFileNotOpened, a larger file eFileCorrupted),
    // with its known size. False with the error id and status text set and
    // bytes empty.
    static bool ReadFileBytes(const char* path, std::vector<char>& bytes, int& errorId, std::string& status);
    bool OpenMemory(const void* data, size_t size);
    bool OpenBytes(std::vector<char>&& bytes);
    void Close();
    bool IsOpen() const { return m_Open; }
    // The size of the bytes opened (the decrypted body of a protected
    // file); 0 when nothing is open.
    size_t GetByteCount() const { return m_Open ? m_ByteCount : 0; }
    // What the file holds, weighed as the bytes of its text: a binary file
    // by the bytes its text encoding would hold at least (KScnTree::
    // TextBytes), or by its own when more; a text file by its own. 0 when
    // nothing is open.
    size_t GetContentByteCount() const { return m_Open ? m_ContentBytes : 0; }
    // Back to the root block, with no current field and every name position
    // at its start.
    void Rewind();

    // Field interface.
    bool OpenField(const char* name);
    // Opens the next field of the current block in file order, whatever its
    // name: for blocks whose field names are data (a "Properties" block holds
    // one field per property). The walk starts at the block's first field
    // after EnterFieldBlock or Rewind and is independent of the per-name
    // positions of OpenField. Closes the current field first; false at the
    // end of the block. GetFieldName gives the name of the field opened.
    bool OpenNextField();
    void CloseField();
    bool EnterFieldBlock();
    void LeaveFieldBlock();
    // Whether the current field has a sub-block (EnterFieldBlock would
    // succeed); unlike EnterFieldBlock it records no error.
    bool HasFieldBlock() const;
    // Whether that sub-block holds a field (false without one).
    bool HasFilledFieldBlock() const;
    int RemainingValueCount() const
    {
        const Context& c = Top();
        if (c.field == KScnTree::kNone)
        {
            return 0;
        }
        const uint32_t left = m_Tree.Field(c.field).valueCount - c.cursor;
        return left > static_cast<uint32_t>(INT32_MAX) ? INT32_MAX : static_cast<int>(left);
    }
    char PeekValueType() const;
    char NextValueAsChar();
    double NextValueAsDouble()
    {
        const char* v = TakeValue();
        if (v == nullptr)
        {
            return 0.0;
        }
        if (!m_Tree.IsBinary())
        {
            return ScnTextToDouble(v, m_Tree.DataEnd());
        }
        if (v[0] == 'D') // the common binary case, read in place
        {
            double d;
            std::memcpy(&d, v + 1, sizeof d);
            return d;
        }
        return ScnBinaryToDouble(v);
    }
    const char* NextValueAsString();
    KTime NextValueAsTime();
    // Integer forms of the next value (saturated; texts parsed as integers,
    // a non-number gives 0).
    int32_t NextValueAsInt();
    int64_t NextValueAsLong();
    // Array forms for fields of many values (vertices, indices, key times):
    // each reads up to count values into out, exactly as the single-value
    // form would one after the other, and returns the number read (at most
    // RemainingValueCount(); 0 for a negative count or a null out).
    int NextValuesAsDouble(double* out, int count);
    int NextValuesAsInt(int32_t* out, int count);
    int NextValuesAsLong(int64_t* out, int count);

    char ReadCharField(const char* name, char defaultValue);
    int32_t ReadIntField(const char* name, int32_t defaultValue);
    const char* ReadStringField(const char* name, const char* defaultValue);

    // Version from the header block's "Version" field; 0 when nothing is open.
    int32_t GetFileVersion() const { return m_Version; }
    bool IsBinary() const { return m_Open && m_Tree.IsBinary(); }
    // 0 text, 1 binary, -1 when nothing is open.
    int GetFileKind() const { return m_Open ? (m_Tree.IsBinary() ? 1 : 0) : -1; }
    // Further header fields: "HeaderVersion" (0 when absent), "Creator" and
    // "CreationTime" ("" when absent).
    int32_t GetHeaderVersion() const { return m_HeaderVersion; }
    const char* GetCreator() const { return m_Creator; }
    const char* GetCreationTime() const { return m_CreationTime; }
    // Name of the current field, null when there is none.
    const char* GetFieldName() const;

    KErrorRecord& GetError() { return m_Error; }
    const char* GetStatusText() const { return m_Status.c_str(); }
    const KScnTree& GetTree() const { return m_Tree; }

private:
    struct Position
    {
        const char* name;
        uint32_t next; // field to search from, KScnTree::kNone when exhausted
    };
    struct Context
    {
        uint32_t block;
        uint32_t field;
        uint32_t cursor;
        size_t position; // index in positions of the current field's name,
                         // kNoPosition for a field opened by OpenNextField
        uint32_t walk;   // next field for OpenNextField, KScnTree::kNone at the end
        std::vector<Position> positions;
    };

    static constexpr size_t kNoPosition = static_cast<size_t>(-1);

    bool Fail(int id, const std::string& status);
    bool ReadHeader();
    Context& Top() { return m_Stack[m_Depth]; }
    const Context& Top() const { return m_Stack[m_Depth]; }
    // The next value, or null when none is left; advances the cursor.
    const char* TakeValue()
    {
        Context& c = Top();
        if (c.field == KScnTree::kNone)
        {
            return nullptr;
        }
        const KScnField& f = m_Tree.Field(c.field);
        return c.cursor < f.valueCount ? m_Tree.FieldValue(f, c.cursor++) : nullptr;
    }
    const char* PeekValue() const;
    // Values of the current field from the cursor on: up to count of them,
    // the count is taken from the field and the cursor moves past them.
    uint32_t TakeValues(int count, const KScnField*& field, uint32_t& first);
    template <typename Conv, typename T> int NextValues(T* out, int count);

    // Text form of a binary value, kept until Close.
    const char* BinaryText(const char* value);

    KScnTree m_Tree;
    bool m_Open = false;
    size_t m_ByteCount = 0;
    size_t m_ContentBytes = 0;
    int32_t m_Version = 0;
    int32_t m_HeaderVersion = 0;
    const char* m_Creator = "";
    const char* m_CreationTime = "";
    std::vector<Context> m_Stack;
    size_t m_Depth = 0;
    std::deque<std::string> m_Texts;
    KErrorRecord m_Error;
    std::string m_Status;
};

} // namespace scenesdk
