#include "tools/scnwriter/CScnWriter.h"

#include <zlib.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <utility>

namespace
{

const char kBinaryMagic[8] = {'\x89', 'S', 'C', 'N', 'B', '\r', '\n', '\x1A'};
const uint32_t kNoBlock = 0xFFFFFFFFu;
const double kTicksPerSecond = 46186158000.0;
// Values per line of a long text value list.
const uint32_t kValuesPerLine = 16;

bool IsWordChar(unsigned char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '+' || c == '.' || c >= 0x80;
}

bool IsWord(const std::string& s)
{
    if (s.empty())
    {
        return false;
    }
    for (unsigned char c : s)
    {
        if (!IsWordChar(c))
        {
            return false;
        }
    }
    return true;
}

void AppendQuoted(std::string& out, const std::string& s)
{
    out += '"';
    for (char c : s)
    {
        switch (c)
        {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            out += c;
        }
    }
    out += '"';
}

template <typename T> std::string NumberText(T v)
{
    char buf[64];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

} // namespace

CScnWriter::CScnWriter(EForm form, int32_t version) : m_Form(form), m_Version(version)
{
    if (m_Form == eBinary)
    {
        m_Out.append(kBinaryMagic, 8);
        PutU32(static_cast<uint32_t>(version));
    }
}

void CScnWriter::Misuse(const char* what)
{
    if (m_Error.empty())
    {
        m_Error = what;
    }
}

bool CScnWriter::InValues()
{
    if (m_Finished || m_Open.empty() || m_Open.back().inBlock || m_Open.back().hadBlock)
    {
        Misuse("value outside an open field");
        return false;
    }
    return true;
}

void CScnWriter::PutU32(uint32_t v)
{
    for (int i = 0; i < 4; ++i)
    {
        m_Out += static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

void CScnWriter::PatchU32(size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
    {
        m_Out[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
}

void CScnWriter::TextIndent()
{
    m_Out.append(4 * m_Open.size(), ' ');
}

void CScnWriter::WriteHeader(const std::string& creator, const std::string& creationTime)
{
    BeginField("FileHeader");
    BeginBlock();
    IntField("Version", m_Version);
    IntField("HeaderVersion", 1000);
    if (!creator.empty())
    {
        StringField("Creator", creator);
    }
    if (!creationTime.empty())
    {
        StringField("CreationTime", creationTime);
    }
    EndBlock();
    EndField();
}

void CScnWriter::BeginField(const std::string& name)
{
    if (m_Finished || (!m_Open.empty() && !m_Open.back().inBlock))
    {
        Misuse("field begun outside a block");
        return;
    }
    if (name.find('\0') != std::string::npos)
    {
        Misuse("NUL byte in a field name");
        return;
    }
    if (m_Form == eText)
    {
        TextIndent();
        if (IsWord(name))
        {
            m_Out += name;
        }
        else
        {
            AppendQuoted(m_Out, name);
        }
        m_Out += ':';
        m_Open.push_back(Open{0, 0, 0, false, false});
        return;
    }
    if (name.size() > 255)
    {
        Misuse("field name longer than 255 bytes");
        return;
    }
    const size_t start = m_Out.size();
    PutU32(0);
    PutU32(0);
    PutU32(kNoBlock);
    m_Out += static_cast<char>(name.size());
    m_Out += name;
    m_Out += '\0';
    m_Open.push_back(Open{start, m_Out.size(), 0, false, false});
}

void CScnWriter::EndField()
{
    if (m_Finished || m_Open.empty() || m_Open.back().inBlock)
    {
        Misuse("EndField without an open field");
        return;
    }
    const Open top = m_Open.back();
    m_Open.pop_back();
    if (m_Form == eText)
    {
        if (!top.hadBlock)
        {
            m_Out += '\n';
        }
        return;
    }
    PatchU32(top.recordStart, top.count);
    if (!top.hadBlock)
    {
        PatchU32(top.recordStart + 4, static_cast<uint32_t>(m_Out.size() - top.valuesStart));
    }
}

void CScnWriter::BeginBlock()
{
    if (!InValues())
    {
        return;
    }
    Open& top = m_Open.back();
    top.inBlock = true;
    if (m_Form == eText)
    {
        m_Out += " {\n";
        return;
    }
    PatchU32(top.recordStart + 4, static_cast<uint32_t>(m_Out.size() - top.valuesStart));
    top.valuesStart = m_Out.size(); // from here on: start of the sub-block
}

void CScnWriter::EndBlock()
{
    if (m_Finished || m_Open.empty() || !m_Open.back().inBlock)
    {
        Misuse("EndBlock without an open block");
        return;
    }
    Open& top = m_Open.back();
    top.inBlock = false;
    top.hadBlock = true;
    if (m_Form == eText)
    {
        m_Open.pop_back(); // indent of the field's own line
        TextIndent();
        m_Out += "}\n";
        m_Open.push_back(top);
        return;
    }
    PatchU32(top.recordStart + 8, static_cast<uint32_t>(m_Out.size() - top.valuesStart));
}

void CScnWriter::TextValueSeparator()
{
    Open& top = m_Open.back();
    if (top.count == 0)
    {
        m_Out += ' ';
    }
    else if (top.count % kValuesPerLine == 0)
    {
        m_Out += ",\n";
        TextIndent();
    }
    else
    {
        m_Out += ", ";
    }
    ++top.count;
}

void CScnWriter::BinaryValue(char letter, const void* payload, size_t size)
{
    m_Out += letter;
    // Little-endian payload, whatever the host's byte order.
    unsigned char bytes[8];
    std::memcpy(bytes, payload, size);
    const uint16_t probe = 1;
    if (*reinterpret_cast<const unsigned char*>(&probe) == 0)
    {
        for (size_t i = 0; i < size / 2; ++i)
        {
            std::swap(bytes[i], bytes[size - 1 - i]);
        }
    }
    m_Out.append(reinterpret_cast<const char*>(bytes), size);
    ++m_Open.back().count;
}

void CScnWriter::AddChar(char c)
{
    if (!InValues())
    {
        return;
    }
    if (m_Form == eBinary)
    {
        BinaryValue('C', &c, 1);
        return;
    }
    TextValueSeparator();
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 0x80 && IsWordChar(u))
    {
        m_Out += c;
    }
    else
    {
        AppendQuoted(m_Out, c == '\0' ? std::string() : std::string(1, c));
    }
}

void CScnWriter::AddInt(int32_t v)
{
    if (!InValues())
    {
        return;
    }
    if (m_Form == eBinary)
    {
        BinaryValue('I', &v, 4);
        return;
    }
    TextValueSeparator();
    m_Out += NumberText(v);
}

void CScnWriter::AddLong(int64_t v)
{
    if (!InValues())
    {
        return;
    }
    if (m_Form == eBinary)
    {
        BinaryValue('L', &v, 8);
        return;
    }
    TextValueSeparator();
    m_Out += NumberText(v);
}

void CScnWriter::AddFloat(float v)
{
    if (!InValues())
    {
        return;
    }
    if (m_Form == eBinary)
    {
        BinaryValue('F', &v, 4);
        return;
    }
    TextValueSeparator();
    // The float's exact value as a double, so text and binary read alike.
    m_Out += NumberText(static_cast<double>(v));
}

void CScnWriter::AddDouble(double v)
{
    if (!InValues())
    {
        return;
    }
    if (m_Form == eBinary)
    {
        BinaryValue('D', &v, 8);
        return;
    }
    TextValueSeparator();
    m_Out += NumberText(v);
}

void CScnWriter::AddString(const std::string& s)
{
    if (!InValues())
    {
        return;
    }
    if (s.find('\0') != std::string::npos)
    {
        Misuse("NUL byte in a text value");
        return;
    }
    if (m_Form == eText)
    {
        TextValueSeparator();
        AppendQuoted(m_Out, s);
        return;
    }
    m_Out += 'S';
    PutU32(static_cast<uint32_t>(s.size()));
    m_Out += s;
    m_Out += '\0';
    ++m_Open.back().count;
}

void CScnWriter::AddWord(const std::string& word)
{
    if (m_Form == eText && IsWord(word))
    {
        if (InValues())
        {
            TextValueSeparator();
            m_Out += word;
        }
        return;
    }
    AddString(word);
}

void CScnWriter::AddTime(int64_t ticks)
{
    if (m_Form == eBinary || m_Version >= 2001)
    {
        AddLong(ticks);
    }
    else
    {
        AddDouble(static_cast<double>(ticks) / kTicksPerSecond);
    }
}

void CScnWriter::AddDoubles(const double* v, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        AddDouble(v[i]);
    }
}

void CScnWriter::AddInts(const int32_t* v, size_t count)
{
    for (size_t i = 0; i < count; ++i)
    {
        AddInt(v[i]);
    }
}

void CScnWriter::IntField(const std::string& name, int32_t v)
{
    BeginField(name);
    AddInt(v);
    EndField();
}

void CScnWriter::DoubleField(const std::string& name, double v)
{
    BeginField(name);
    AddDouble(v);
    EndField();
}

void CScnWriter::StringField(const std::string& name, const std::string& s)
{
    BeginField(name);
    AddString(s);
    EndField();
}

void CScnWriter::CharField(const std::string& name, char c)
{
    BeginField(name);
    AddChar(c);
    EndField();
}

bool CScnWriter::Finish(std::string& out)
{
    if (m_Finished)
    {
        Misuse("Finish called twice");
    }
    if (!m_Open.empty())
    {
        Misuse("fields still open at Finish");
    }
    if (m_Out.size() > 0xFFFFFF00u)
    {
        Misuse("file too large");
    }
    m_Finished = true;
    if (!m_Error.empty())
    {
        return false;
    }
    if (m_Form == eBinary)
    {
        const uLong crc =
            crc32(0L, reinterpret_cast<const Bytef*>(m_Out.data()), static_cast<uInt>(m_Out.size()));
        PutU32(static_cast<uint32_t>(crc));
        m_Out.append("SCNE", 4);
    }
    out.swap(m_Out);
    m_Out.clear();
    return true;
}

bool CScnWriter::SaveFile(const std::string& path)
{
    std::string bytes;
    if (!Finish(bytes))
    {
        return false;
    }
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
    {
        m_Error = "cannot create " + path;
        return false;
    }
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
    {
        m_Error = "cannot write " + path;
        return false;
    }
    return true;
}
