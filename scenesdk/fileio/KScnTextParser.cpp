#include "scenesdk/fileio/KScnTextParser.h"

#include "scenesdk/fileio/KScnTree.h"

#include <array>
#include <string>
#include <vector>

namespace scenesdk
{

namespace
{

// Character classes of the text encoding.
enum : unsigned char
{
    cOther = 0,
    cWord = 1,  // letters, digits, '_', '-', '+', '.', and UTF-8 bytes
    cSpace = 2, // blank, tab, carriage return
};

const std::array<unsigned char, 256>& CharClasses()
{
    static const std::array<unsigned char, 256> table = []
    {
        std::array<unsigned char, 256> t{};
        for (int c = 0; c < 256; ++c)
        {
            const bool word = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                              c == '_' || c == '-' || c == '+' || c == '.' || c >= 0x80;
            t[c] = word ? cWord : cOther;
        }
        t[' '] = t['\t'] = t['\r'] = cSpace;
        return t;
    }();
    return table;
}

// What ended a value: the parser may have overwritten that character with
// the value's terminating NUL, so it is passed on instead of read again.
enum class EDelim
{
    None,  // nothing consumed; read on at the current position
    Comma, // a ',' : another value follows, possibly on a later line
    End,   // end of line, comment or end of file: the value list is over
    Open,  // a '{' : the field's sub-block starts
    Close  // a '}' : the enclosing block ends
};

class TextParser
{
public:
    explicit TextParser(KScnTree& tree) : m_Tree(tree), m_Class(CharClasses()) {}

    bool Run();

private:
    unsigned char Cls(size_t p) const { return m_Class[static_cast<unsigned char>(m_D[p])]; }
    bool Fail(const char* what) const
    {
        return m_Tree.Fail(std::string(what) + " at byte " + std::to_string(m_P));
    }
    void SkipSpaces()
    {
        while (m_P < m_N && Cls(m_P) == cSpace)
        {
            ++m_P;
        }
    }
    void SkipComment()
    {
        while (m_P < m_N && m_D[m_P] != '\n')
        {
            ++m_P;
        }
    }
    // Skips blanks, line ends and comments.
    void SkipBlank()
    {
        while (m_P < m_N)
        {
            const char c = m_D[m_P];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
            {
                ++m_P;
            }
            else if (c == ';')
            {
                SkipComment();
            }
            else
            {
                break;
            }
        }
    }
    bool ParseQuoted(uint32_t& offset);
    bool ParseName(uint32_t& offset);
    bool ParseValue(EDelim& delim);
    bool ParseValues(uint32_t field, EDelim& delim);
    bool OpenBlock(uint32_t field);
    bool CloseBlock();

    KScnTree& m_Tree;
    const std::array<unsigned char, 256>& m_Class;
    char* m_D = nullptr;
    size_t m_N = 0;
    size_t m_P = 0;
    uint32_t m_Block = 0;
    std::vector<uint32_t> m_Stack;
};

// A quoted text starting at m_P; unescaped over its own bytes and terminated.
bool TextParser::ParseQuoted(uint32_t& offset)
{
    ++m_P; // opening quote
    offset = static_cast<uint32_t>(m_P);
    size_t w = m_P;
    while (true)
    {
        if (m_P >= m_N)
        {
            return Fail("unterminated string");
        }
        const char c = m_D[m_P];
        if (c == '"')
        {
            break;
        }
        if (c == '\n' || c == '\0')
        {
            return Fail("unterminated string");
        }
        if (c == '\\')
        {
            if (m_P + 1 >= m_N)
            {
                return Fail("unterminated string");
            }
            const char e = m_D[m_P + 1];
            char out = 0;
            switch (e)
            {
            case '"':
            case '\\':
                out = e;
                break;
            case 'n':
                out = '\n';
                break;
            case 't':
                out = '\t';
                break;
            default:
                return Fail("unknown escape in string");
            }
            m_D[w++] = out;
            m_P += 2;
            continue;
        }
        m_D[w++] = c;
        ++m_P;
    }
    m_D[w] = '\0'; // w never passes the closing quote
    ++m_P;
    return true;
}

bool TextParser::ParseName(uint32_t& offset)
{
    if (m_D[m_P] == '"')
    {
        if (!ParseQuoted(offset))
        {
            return false;
        }
        SkipSpaces();
        if (m_P >= m_N || m_D[m_P] != ':')
        {
            return Fail("expected ':' after field name");
        }
        ++m_P;
        return true;
    }
    if (Cls(m_P) != cWord)
    {
        return Fail("expected a field name");
    }
    offset = static_cast<uint32_t>(m_P);
    while (m_P < m_N && Cls(m_P) == cWord)
    {
        ++m_P;
    }
    const size_t end = m_P;
    SkipSpaces();
    if (m_P >= m_N || m_D[m_P] != ':')
    {
        return Fail("expected ':' after field name");
    }
    m_D[end] = '\0'; // either the ':' itself or a blank before it
    ++m_P;
    return true;
}

bool TextParser::ParseValue(EDelim& delim)
{
    uint32_t offset = 0;
    if (m_P < m_N && m_D[m_P] == '"')
    {
        if (!ParseQuoted(offset))
        {
            return false;
        }
        m_Tree.Values().push_back(offset);
        delim = EDelim::None;
        return true;
    }
    if (m_P >= m_N || Cls(m_P) != cWord)
    {
        return Fail("expected a value");
    }
    offset = static_cast<uint32_t>(m_P);
    while (Cls(m_P) == cWord) // the byte past the end is a NUL, class cOther
    {
        ++m_P;
    }
    m_Tree.Values().push_back(offset);
    if (m_P >= m_N)
    {
        delim = EDelim::End;
        return true;
    }
    const char c = m_D[m_P];
    switch (c)
    {
    case ' ':
    case '\t':
    case '\r':
        delim = EDelim::None;
        break;
    case ',':
        delim = EDelim::Comma;
        break;
    case '\n':
        delim = EDelim::End;
        break;
    case ';':
        delim = EDelim::End;
        m_D[m_P] = '\0';
        SkipComment();
        return true;
    case '{':
        delim = EDelim::Open;
        break;
    case '}':
        delim = EDelim::Close;
        break;
    default:
        return Fail("unexpected character after value");
    }
    m_D[m_P++] = '\0';
    return true;
}

// The value list of a field, up to the delimiter that ends it (End, Open or
// Close).
bool TextParser::ParseValues(uint32_t field, EDelim& delim)
{
    uint32_t count = 0;
    SkipSpaces();
    delim = EDelim::None;
    if (m_P >= m_N || m_D[m_P] == '\n' || m_D[m_P] == ';')
    {
        delim = EDelim::End;
    }
    else if (m_D[m_P] == '{')
    {
        ++m_P;
        delim = EDelim::Open;
    }
    else if (m_D[m_P] == '}')
    {
        ++m_P;
        delim = EDelim::Close;
    }
    else
    {
        if (!ParseValue(delim))
        {
            return false;
        }
        ++count;
    }
    while (true)
    {
        if (delim == EDelim::None)
        {
            SkipSpaces();
            const char c = m_P < m_N ? m_D[m_P] : '\0';
            if (m_P >= m_N || c == '\n' || c == ';')
            {
                delim = EDelim::End;
            }
            else if (c == ',' || c == '{' || c == '}')
            {
                ++m_P;
                delim = c == ',' ? EDelim::Comma : (c == '{' ? EDelim::Open : EDelim::Close);
            }
            else
            {
                return Fail("expected ',' or the end of the line");
            }
        }
        if (delim != EDelim::Comma)
        {
            break;
        }
        SkipBlank();
        if (!ParseValue(delim))
        {
            return false;
        }
        ++count;
    }
    m_Tree.MutableField(field).valueCount = count;
    return true;
}

bool TextParser::OpenBlock(uint32_t field)
{
    if (static_cast<int>(m_Stack.size()) >= kScnMaxDepth)
    {
        return Fail("blocks nested too deeply");
    }
    m_Stack.push_back(m_Block);
    m_Block = m_Tree.AddBlock(m_Block);
    m_Tree.MutableField(field).subBlock = m_Block;
    return true;
}

bool TextParser::CloseBlock()
{
    if (m_Stack.empty())
    {
        return Fail("'}' without a block");
    }
    m_Block = m_Stack.back();
    m_Stack.pop_back();
    return true;
}

bool TextParser::Run()
{
    std::vector<char>& data = m_Tree.Data();
    m_N = data.size();
    data.reserve(m_N + 1); // exact: readers reserve the guard byte already
    data.push_back('\0');  // guard byte: the scanners stop on it
    m_D = data.data();
    if (m_N >= 3 && static_cast<unsigned char>(m_D[0]) == 0xEF &&
        static_cast<unsigned char>(m_D[1]) == 0xBB && static_cast<unsigned char>(m_D[2]) == 0xBF)
    {
        m_P = 3;
    }
    while (true)
    {
        SkipBlank();
        if (m_P >= m_N)
        {
            break;
        }
        if (m_D[m_P] == '}')
        {
            if (!CloseBlock())
            {
                return false;
            }
            ++m_P;
            continue;
        }
        uint32_t name = 0;
        if (!ParseName(name))
        {
            return false;
        }
        const uint32_t field = m_Tree.AddField(m_Block, name);
        EDelim delim = EDelim::End;
        if (!ParseValues(field, delim))
        {
            return false;
        }
        if (delim == EDelim::End)
        {
            // A '{' on a later line still opens the field's sub-block.
            SkipBlank();
            if (m_P < m_N && m_D[m_P] == '{')
            {
                ++m_P;
                delim = EDelim::Open;
            }
        }
        if ((delim == EDelim::Open && !OpenBlock(field)) || (delim == EDelim::Close && !CloseBlock()))
        {
            return false;
        }
    }
    if (!m_Stack.empty())
    {
        return Fail("unterminated block");
    }
    return true;
}

} // namespace

bool KScnTextParser::Parse(KScnTree& tree)
{
    tree.SetBinary(false, 0);
    TextParser parser(tree);
    if (!parser.Run())
    {
        return false;
    }
    tree.Shrink();
    return true;
}

bool KScnTextParser::LooksLikeText(const char* data, size_t size)
{
    const auto& cls = CharClasses();
    size_t p = 0;
    if (size >= 3 && static_cast<unsigned char>(data[0]) == 0xEF &&
        static_cast<unsigned char>(data[1]) == 0xBB && static_cast<unsigned char>(data[2]) == 0xBF)
    {
        p = 3;
    }
    while (p < size)
    {
        const char c = data[p];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
        {
            ++p;
        }
        else if (c == ';')
        {
            while (p < size && data[p] != '\n')
            {
                ++p;
            }
        }
        else
        {
            break;
        }
    }
    if (p >= size)
    {
        return false;
    }
    if (data[p] == '"')
    {
        ++p;
        while (p < size && data[p] != '"' && data[p] != '\n')
        {
            p += data[p] == '\\' ? 2 : 1;
        }
        if (p >= size || data[p] != '"')
        {
            return false;
        }
        ++p;
    }
    else
    {
        const size_t start = p;
        while (p < size && cls[static_cast<unsigned char>(data[p])] == cWord)
        {
            ++p;
        }
        if (p == start)
        {
            return false;
        }
    }
    while (p < size && (data[p] == ' ' || data[p] == '\t'))
    {
        ++p;
    }
    return p < size && data[p] == ':';
}

} // namespace scenesdk
