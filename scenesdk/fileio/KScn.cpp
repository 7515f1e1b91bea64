#include "scenesdk/fileio/KScn.h"

#include "platform/sys/PathResolver.h"
#include "scenesdk/kernel/KSaturate.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <limits>

namespace scenesdk
{

namespace
{

const char* const kErrorTable[KScn::eErrorCount] = {
    "File is corrupted",
    "File version is not supported yet",
    "File version is not supported anymore",
    "File not opened",
    "File not created",
    "Wrong password",
    "Stream options not set",
    "Unidentified error",
};

// Text files below this version carry key times in seconds, from it on in ticks.
constexpr int32_t kFirstTickVersion = 2001;

template <typename T> T Load(const char* p)
{
    T v;
    std::memcpy(&v, p, sizeof v); // payloads are little-endian, as the host
    return v;
}

// The common short decimal ("-127.5390625", "42"): at most 15 significant
// digits with no exponent. The digits make an integer below 2^53 and the
// fraction a power of ten up to 10^15, both exact doubles, so their quotient
// is the correctly rounded value, as the full conversion would give it.
// False, with nothing set, for any other text.
bool ShortDecimal(const char* p, double& out)
{
    static constexpr double kPowers[16] = {1e0, 1e1, 1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                           1e8, 1e9, 1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
    const bool negative = *p == '-';
    p += negative ? 1 : 0;
    uint64_t mantissa = 0;
    const char* start = p;
    while (static_cast<unsigned>(*p - '0') < 10 && p - start < 16)
    {
        mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
        ++p;
    }
    int digits = static_cast<int>(p - start);
    int fraction = 0;
    if (*p == '.')
    {
        const char* first = ++p;
        while (static_cast<unsigned>(*p - '0') < 10 && digits + (p - first) < 16)
        {
            mantissa = mantissa * 10 + static_cast<unsigned>(*p - '0');
            ++p;
        }
        fraction = static_cast<int>(p - first);
        digits += fraction;
    }
    if (digits == 0 || digits > 15 || *p == 'e' || *p == 'E' || static_cast<unsigned>(*p - '0') < 10)
    {
        return false;
    }
    const double v = static_cast<double>(mantissa) / kPowers[fraction];
    out = negative ? -v : v;
    return true;
}

} // namespace

// Numbers in texts: C locale, exact, an optional leading '+'. A text that does
// not start with a number gives 0. The text ends with a NUL at or before end;
// no number runs past it, so it needs no measuring first.
double ScnTextToDouble(const char* s, const char* end)
{
    if (*s == '+')
    {
        ++s;
    }
    double v = 0.0;
    if (ShortDecimal(s, v))
    {
        return v;
    }
    const auto r = std::from_chars(s, end, v);
    if (r.ec == std::errc::result_out_of_range)
    {
        // Overflow or underflow: the C library rounds it to the nearest
        // representable value (infinity or zero).
        return std::strtod(s, nullptr);
    }
    return r.ec == std::errc() ? v : 0.0;
}

int64_t ScnTextToLong(const char* s, const char* end)
{
    if (*s == '+')
    {
        ++s;
    }
    int64_t v = 0;
    const auto r = std::from_chars(s, end, v);
    if (r.ec == std::errc() && (r.ptr == end || (*r.ptr != '.' && *r.ptr != 'e' && *r.ptr != 'E')))
    {
        return v;
    }
    // Out of range, or written with a fraction or an exponent ("1e3").
    return KSaturateToLong(ScnTextToDouble(s, end));
}

// Binary values: the type letter, then the payload.
double ScnBinaryToDouble(const char* v)
{
    switch (v[0])
    {
    case 'I':
        return Load<int32_t>(v + 1);
    case 'L':
        return static_cast<double>(Load<int64_t>(v + 1));
    case 'F':
        return Load<float>(v + 1);
    case 'D':
        return Load<double>(v + 1);
    case 'S':
        return ScnTextToDouble(v + 5, v + 5 + Load<uint32_t>(v + 1) + 1);
    default: // 'C': the character read as a text of one byte
    {
        const char text[2] = {v[1], '\0'};
        return ScnTextToDouble(text, text + 2);
    }
    }
}

int64_t ScnBinaryToLong(const char* v)
{
    switch (v[0])
    {
    case 'I':
        return Load<int32_t>(v + 1);
    case 'L':
        return Load<int64_t>(v + 1);
    case 'F':
        return KSaturateToLong(Load<float>(v + 1));
    case 'D':
        return KSaturateToLong(Load<double>(v + 1));
    case 'S':
        return ScnTextToLong(v + 5, v + 5 + Load<uint32_t>(v + 1) + 1);
    default:
    {
        const char text[2] = {v[1], '\0'};
        return ScnTextToLong(text, text + 2);
    }
    }
}

const char* const* KScn::GetErrorTable()
{
    return kErrorTable;
}

KScn::KScn() : m_Error(kErrorTable, eErrorCount)
{
    m_Stack.resize(1);
    Close();
}

KScn::~KScn() = default;

bool KScn::Fail(int id, const std::string& status)
{
    Close();
    m_Error.SetLastErrorID(id);
    m_Status = status;
    return false;
}

bool KScn::ReadFileBytes(const char* path, std::vector<char>& bytes, int& errorId, std::string& status)
{
    bytes.clear();
    const auto fail = [&](int id, const std::string& text)
    {
        errorId = id;
        status = text;
        return false;
    };
    if (path == nullptr)
    {
        return fail(eFileNotOpened, "no file name");
    }
    // Paths as the data spells them (backslashes, any letter case). Only a
    // regular file is read: a FIFO or a device could block or never end.
    const std::string resolved = plat::ResolvePath(path);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(resolved, ec))
    {
        return fail(eFileNotOpened, std::string("no such file: ") + path);
    }
    const uintmax_t size = std::filesystem::file_size(resolved, ec);
    if (ec)
    {
        return fail(eFileNotOpened, std::string("cannot read ") + path);
    }
    if (size > KScnTree::kMaxFileSize)
    {
        return fail(eFileCorrupted, std::string("file too large: ") + path);
    }
    FILE* f = std::fopen(resolved.c_str(), "rb");
    if (f == nullptr)
    {
        return fail(eFileNotOpened, std::string("cannot open ") + path);
    }
    // One spare byte: the text parser appends a guard byte without
    // reallocating the whole file.
    bytes.reserve(static_cast<size_t>(size) + 1);
    bytes.resize(static_cast<size_t>(size));
    const bool ok = std::fread(bytes.data(), 1, bytes.size(), f) == bytes.size();
    std::fclose(f);
    if (!ok)
    {
        bytes.clear();
        return fail(eFileNotOpened, std::string("cannot read ") + path);
    }
    return true;
}

bool KScn::OpenFile(const char* path)
{
    Close();
    std::vector<char> bytes;
    int id = eFileNotOpened;
    std::string status;
    if (!ReadFileBytes(path, bytes, id, status))
    {
        return Fail(id, status);
    }
    return OpenBytes(std::move(bytes));
}

bool KScn::OpenMemory(const void* data, size_t size)
{
    Close();
    if (data == nullptr && size != 0)
    {
        return Fail(eFileNotOpened, "no data");
    }
    std::vector<char> bytes;
    bytes.reserve(size + 1);
    bytes.assign(static_cast<const char*>(data), static_cast<const char*>(data) + size);
    return OpenBytes(std::move(bytes));
}

bool KScn::OpenBytes(std::vector<char>&& bytes)
{
    Close();
    const EScnFileKind kind = ScnDetectFileKind(bytes.data(), bytes.size());
    if (kind == eScnKindEncrypted)
    {
        return Fail(eFileCorrupted, "encrypted file: the reader decrypts it first");
    }
    if (kind == eScnKindUnknown)
    {
        return Fail(eFileCorrupted, "not a scene file");
    }
    m_ByteCount = bytes.size();
    const bool parsed =
        kind == eScnKindBinary ? m_Tree.ParseBinary(std::move(bytes)) : m_Tree.ParseText(std::move(bytes));
    if (!parsed)
    {
        return Fail(eFileCorrupted, m_Tree.ErrorDetail());
    }
    m_ContentBytes = m_Tree.IsBinary() ? std::max(m_ByteCount, m_Tree.TextBytes()) : m_ByteCount;
    m_Open = true;
    if (!ReadHeader())
    {
        return false;
    }
    m_Error.ClearError();
    m_Status.clear();
    Rewind();
    return true;
}

// The header block must be the first field of the root and carry the version.
bool KScn::ReadHeader()
{
    const KScnBlock& root = m_Tree.Block(m_Tree.Root());
    if (root.firstField == KScnTree::kNone ||
        std::strcmp(m_Tree.Name(m_Tree.Field(root.firstField)), "FileHeader") != 0 ||
        m_Tree.Field(root.firstField).subBlock == KScnTree::kNone)
    {
        return Fail(eFileCorrupted, "missing file header");
    }
    Rewind();
    OpenField("FileHeader");
    EnterFieldBlock();
    if (!OpenField("Version") || RemainingValueCount() != 1)
    {
        return Fail(eFileCorrupted, "missing file version");
    }
    const int64_t version = NextValueAsLong();
    CloseField();
    if (version <= 0 || version > std::numeric_limits<int32_t>::max() ||
        (m_Tree.IsBinary() && version != m_Tree.BinaryPreambleVersion()))
    {
        return Fail(eFileCorrupted, "bad file version");
    }
    m_Version = static_cast<int32_t>(version);
    m_HeaderVersion = ReadIntField("HeaderVersion", 0);
    m_Creator = ReadStringField("Creator", "");
    m_CreationTime = ReadStringField("CreationTime", "");
    return true;
}

void KScn::Close()
{
    m_Tree.Clear();
    m_Open = false;
    m_Version = 0;
    m_HeaderVersion = 0;
    m_Creator = "";
    m_CreationTime = "";
    m_Texts.clear();
    Rewind();
}

void KScn::Rewind()
{
    m_Depth = 0;
    Context& c = m_Stack[0];
    c.block = m_Tree.Root();
    c.field = KScnTree::kNone;
    c.cursor = 0;
    c.position = kNoPosition;
    c.walk = m_Tree.Block(c.block).firstField;
    c.positions.clear();
}

bool KScn::OpenField(const char* name)
{
    CloseField();
    if (!m_Open || name == nullptr)
    {
        return false;
    }
    Context& c = Top();
    size_t p = 0;
    while (p < c.positions.size() && std::strcmp(c.positions[p].name, name) != 0)
    {
        ++p;
    }
    uint32_t f = m_Tree.Block(c.block).firstField;
    if (p < c.positions.size())
    {
        f = c.positions[p].next;
    }
    while (f != KScnTree::kNone && std::strcmp(m_Tree.Name(m_Tree.Field(f)), name) != 0)
    {
        f = m_Tree.Field(f).next;
    }
    if (f == KScnTree::kNone)
    {
        if (p < c.positions.size())
        {
            c.positions[p].next = KScnTree::kNone; // exhausted until Rewind
        }
        return false;
    }
    if (p == c.positions.size())
    {
        // The tree's copy of the name lives as long as the context.
        c.positions.push_back(Position{m_Tree.Name(m_Tree.Field(f)), f});
    }
    c.positions[p].next = f;
    c.field = f;
    c.cursor = 0;
    c.position = p;
    return true;
}

bool KScn::OpenNextField()
{
    CloseField();
    if (!m_Open)
    {
        return false;
    }
    Context& c = Top();
    if (c.walk == KScnTree::kNone)
    {
        return false;
    }
    c.field = c.walk;
    c.walk = m_Tree.Field(c.field).next;
    c.cursor = 0;
    c.position = kNoPosition;
    return true;
}

void KScn::CloseField()
{
    Context& c = Top();
    if (c.field == KScnTree::kNone)
    {
        return;
    }
    if (c.position != kNoPosition)
    {
        c.positions[c.position].next = m_Tree.Field(c.field).next;
    }
    c.field = KScnTree::kNone;
    c.cursor = 0;
}

bool KScn::HasFieldBlock() const
{
    if (!m_Open || m_Stack.size() <= m_Depth)
    {
        return false;
    }
    const Context& c = Top();
    return c.field != KScnTree::kNone && m_Tree.Field(c.field).subBlock != KScnTree::kNone;
}

bool KScn::HasFilledFieldBlock() const
{
    return HasFieldBlock() && m_Tree.Block(m_Tree.Field(Top().field).subBlock).firstField != KScnTree::kNone;
}

bool KScn::EnterFieldBlock()
{
    const Context& c = Top();
    if (c.field == KScnTree::kNone || m_Tree.Field(c.field).subBlock == KScnTree::kNone)
    {
        m_Error.SetLastErrorID(eFileCorrupted);
        m_Status = "field has no block";
        return false;
    }
    const uint32_t block = m_Tree.Field(c.field).subBlock;
    ++m_Depth;
    if (m_Stack.size() <= m_Depth)
    {
        m_Stack.emplace_back();
    }
    Context& n = Top();
    n.block = block;
    n.field = KScnTree::kNone;
    n.cursor = 0;
    n.position = kNoPosition;
    n.walk = m_Tree.Block(block).firstField;
    n.positions.clear();
    return true;
}

void KScn::LeaveFieldBlock()
{
    if (m_Depth > 0)
    {
        --m_Depth;
    }
}

const char* KScn::GetFieldName() const
{
    const Context& c = Top();
    return c.field == KScnTree::kNone ? nullptr : m_Tree.Name(m_Tree.Field(c.field));
}

const char* KScn::PeekValue() const
{
    const Context& c = Top();
    if (c.field == KScnTree::kNone)
    {
        return nullptr;
    }
    const KScnField& f = m_Tree.Field(c.field);
    return c.cursor < f.valueCount ? m_Tree.FieldValue(f, c.cursor) : nullptr;
}

uint32_t KScn::TakeValues(int count, const KScnField*& field, uint32_t& first)
{
    Context& c = Top();
    if (count <= 0 || c.field == KScnTree::kNone)
    {
        return 0;
    }
    field = &m_Tree.Field(c.field);
    first = c.cursor;
    const uint32_t n = std::min(field->valueCount - c.cursor, static_cast<uint32_t>(count));
    c.cursor += n;
    return n;
}

namespace
{

// Converts n values of field f from value first on into out, as the
// single-value reads would, with one loop per storage form: uniform binary
// fields of the common types are read straight from their bytes.
template <typename Conv, typename T>
void ConvertValues(const KScnTree& tree, const KScnField& f, uint32_t first, uint32_t n, T* out)
{
    if (!tree.IsBinary())
    {
        const char* end = tree.DataEnd();
        for (uint32_t i = 0; i < n; ++i)
        {
            out[i] = Conv::Text(tree.FieldValue(f, first + i), end);
        }
        return;
    }
    if (f.stride == 0)
    {
        for (uint32_t i = 0; i < n; ++i)
        {
            out[i] = Conv::Binary(tree.FieldValue(f, first + i));
        }
        return;
    }
    const char* v = tree.FieldValue(f, first);
    const size_t stride = f.stride;
    switch (v[0])
    {
    case 'D':
        for (uint32_t i = 0; i < n; ++i, v += stride)
        {
            out[i] = Conv::FromDouble(Load<double>(v + 1));
        }
        break;
    case 'I':
        for (uint32_t i = 0; i < n; ++i, v += stride)
        {
            out[i] = Conv::FromInt(Load<int32_t>(v + 1));
        }
        break;
    default:
        for (uint32_t i = 0; i < n; ++i, v += stride)
        {
            out[i] = Conv::Binary(v);
        }
        break;
    }
}

struct AsDouble
{
    static double Text(const char* s, const char* end) { return ScnTextToDouble(s, end); }
    static double Binary(const char* v) { return ScnBinaryToDouble(v); }
    static double FromDouble(double d) { return d; }
    static double FromInt(int32_t i) { return i; }
};

struct AsLong
{
    static int64_t Text(const char* s, const char* end) { return ScnTextToLong(s, end); }
    static int64_t Binary(const char* v) { return ScnBinaryToLong(v); }
    static int64_t FromDouble(double d) { return KSaturateToLong(d); }
    static int64_t FromInt(int32_t i) { return i; }
};

struct AsInt
{
    static int32_t Text(const char* s, const char* end) { return KClampToInt(ScnTextToLong(s, end)); }
    static int32_t Binary(const char* v) { return KClampToInt(ScnBinaryToLong(v)); }
    static int32_t FromDouble(double d) { return KClampToInt(KSaturateToLong(d)); }
    static int32_t FromInt(int32_t i) { return i; }
};

} // namespace

template <typename Conv, typename T> int KScn::NextValues(T* out, int count)
{
    const KScnField* f = nullptr;
    uint32_t first = 0;
    const uint32_t n = out != nullptr ? TakeValues(count, f, first) : 0;
    if (n > 0)
    {
        ConvertValues<Conv>(m_Tree, *f, first, n, out);
    }
    return static_cast<int>(n);
}

int KScn::NextValuesAsDouble(double* out, int count)
{
    return NextValues<AsDouble>(out, count);
}

int KScn::NextValuesAsLong(int64_t* out, int count)
{
    return NextValues<AsLong>(out, count);
}

int KScn::NextValuesAsInt(int32_t* out, int count)
{
    return NextValues<AsInt>(out, count);
}
char KScn::PeekValueType() const
{
    const char* v = PeekValue();
    return v != nullptr && m_Tree.IsBinary() ? v[0] : 'S';
}

const char* KScn::BinaryText(const char* v)
{
    char buf[64];
    std::to_chars_result r{buf, std::errc()};
    switch (v[0])
    {
    case 'S':
        return v + 5;
    case 'C':
        buf[0] = v[1];
        r.ptr = buf + (v[1] != '\0' ? 1 : 0);
        break;
    case 'I':
        r = std::to_chars(buf, buf + sizeof buf, Load<int32_t>(v + 1));
        break;
    case 'L':
        r = std::to_chars(buf, buf + sizeof buf, Load<int64_t>(v + 1));
        break;
    case 'F':
        r = std::to_chars(buf, buf + sizeof buf, static_cast<double>(Load<float>(v + 1)));
        break;
    default:
        r = std::to_chars(buf, buf + sizeof buf, Load<double>(v + 1));
        break;
    }
    m_Texts.emplace_back(buf, r.ptr);
    return m_Texts.back().c_str();
}

const char* KScn::NextValueAsString()
{
    const char* v = TakeValue();
    if (v == nullptr)
    {
        return "";
    }
    return m_Tree.IsBinary() ? BinaryText(v) : v;
}

char KScn::NextValueAsChar()
{
    const char* v = TakeValue();
    if (v == nullptr)
    {
        return '\0';
    }
    if (!m_Tree.IsBinary())
    {
        return v[0];
    }
    if (v[0] == 'C')
    {
        return v[1];
    }
    if (v[0] == 'S')
    {
        return v[5];
    }
    return BinaryText(v)[0];
}

int64_t KScn::NextValueAsLong()
{
    const char* v = TakeValue();
    if (v == nullptr)
    {
        return 0;
    }
    return m_Tree.IsBinary() ? ScnBinaryToLong(v) : ScnTextToLong(v, m_Tree.DataEnd());
}

int32_t KScn::NextValueAsInt()
{
    return KClampToInt(NextValueAsLong());
}

KTime KScn::NextValueAsTime()
{
    const char* v = PeekValue();
    KTime t;
    if (v == nullptr)
    {
        return t;
    }
    const bool ticks = m_Tree.IsBinary() ? v[0] == 'L' : m_Version >= kFirstTickVersion;
    if (ticks)
    {
        t.Set(NextValueAsLong());
    }
    else
    {
        t.SetSeconds(NextValueAsDouble());
    }
    return t;
}

char KScn::ReadCharField(const char* name, char defaultValue)
{
    if (!OpenField(name))
    {
        return defaultValue;
    }
    const char c = RemainingValueCount() > 0 ? NextValueAsChar() : defaultValue;
    CloseField();
    return c;
}

int32_t KScn::ReadIntField(const char* name, int32_t defaultValue)
{
    if (!OpenField(name))
    {
        return defaultValue;
    }
    const int32_t v = RemainingValueCount() > 0 ? NextValueAsInt() : defaultValue;
    CloseField();
    return v;
}

const char* KScn::ReadStringField(const char* name, const char* defaultValue)
{
    if (!OpenField(name))
    {
        return defaultValue;
    }
    const char* s = RemainingValueCount() > 0 ? NextValueAsString() : defaultValue;
    CloseField();
    return s;
}

} // namespace scenesdk
