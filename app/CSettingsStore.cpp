#include "app/CSettingsStore.h"

#include "app/CParseRule.h"
#include "platform/sys/PathResolver.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace
{
// Larger files are not settings files; they are refused as unparsable rather
// than read into memory.
constexpr long kMaxSettingsFileSize = 16L * 1024 * 1024;

// Line numbers of positions in the text: counted on from the position asked
// for last (the actions ask in file order), from the start when a position
// lies before it. CR LF, CR and LF each end one line.
class CLineCounter
{
public:
    CLineCounter(const char* text, const char* end) : m_pText(text), m_pEnd(end), m_pAt(text), m_uiLine(1) {}
    uint32_t LineOf(const char* position)
    {
        if (position < m_pAt)
        {
            m_pAt = m_pText;
            m_uiLine = 1;
        }
        for (; m_pAt < position && m_pAt < m_pEnd; ++m_pAt)
            if (*m_pAt == '\n' || (*m_pAt == '\r' && (m_pAt + 1 == m_pEnd || m_pAt[1] != '\n')))
                ++m_uiLine;
        return m_uiLine;
    }

private:
    const char* m_pText;
    const char* m_pEnd;
    const char* m_pAt;
    uint32_t m_uiLine;
};

// The grammar's 17 rules, built for one parse and destroyed in reverse order
// of construction (the member order). The actions append to the store's
// sections as soon as a name or value has matched.
struct SSettingsGrammar
{
    CRule firstNameChar, nameChar, name, commentStart, blanks, textRun, sectionLine, commentLine, emptyLine,
        blockOpen, blockClose, blockBody, blockBodyRef, blockCommentLine, keyLine, line, file;

    SSettingsGrammar(std::vector<SSettingsSection>& sections, CLineCounter& lines)
    {
        using namespace parserules;
        typedef CCharClassRule C;

        firstNameChar = Alt(Class(C::Letter), Ch('_'));
        nameChar = Alt(Class(C::LetterOrDigit), Ch('_'));
        name = Seq(Ref(firstNameChar), Star(Ref(nameChar)));
        commentStart = Alt(Ch('#'), Ch(';'), Str("//"));
        blanks = Star(Alt(Ch(' '), Ch('\t')));
        textRun = Star(Alt(Class(C::Printable), Ch('\t')));

        auto onSection = [&sections, &lines](const char* first, const char* last) {
            sections.push_back(SSettingsSection{std::string(first, last), {}, lines.LineOf(first)});
        };
        sectionLine = Seq(Ref(blanks), Ch('['), Ref(blanks), Action(Ref(name), onSection), Ref(blanks),
                          Ch(']'), Ref(blanks), LineEnd());
        commentLine = Seq(Ref(blanks), Ref(commentStart), Ref(textRun), LineEnd());
        emptyLine = Seq(Ref(blanks), LineEnd());

        // A block comment runs from "/*" to the first "*/": the body is
        // either the closing pair or one character followed by the body.
        blockOpen = Ch2('/', '*');
        blockClose = Ch2('*', '/');
        blockBody = Alt(Ref(blockClose), Seq(AnyChar(), Ref(blockBodyRef)));
        blockBodyRef = Ref(blockBody);
        blockCommentLine = Seq(Ref(blanks), Ref(blockOpen), Ref(blockBody), Ref(blanks), LineEnd());

        auto onKey = [&sections, &lines](const char* first, const char* last)
        {
            if (sections.empty())
                sections.push_back(SSettingsSection{"Globals", {}, 0});
            sections.back().entries.push_back(
                SSettingsEntry{std::string(first, last), std::string(), lines.LineOf(first)});
        };
        auto onValue = [&sections](const char* first, const char* last)
        {
            if (!sections.empty() && !sections.back().entries.empty())
                sections.back().entries.back().value.assign(first, last);
        };
        keyLine = Seq(Ref(blanks), Action(Ref(name), onKey), Ref(blanks), Ch('='), Ref(blanks),
                      Action(Ref(textRun), onValue), Ref(blanks), LineEnd());

        line = Alt(Ref(commentLine), Ref(blockCommentLine), Ref(sectionLine), Ref(keyLine), Ref(emptyLine));
        file = Star(Ref(line));
    }
};
} // namespace

CSettingsStore::CSettingsStore() : m_iSelectedSection(-1), m_iSelectedEntry(-1), m_uiStatus(Loaded) {}

void CSettingsStore::Clear()
{
    m_Sections.clear();
    m_iSelectedSection = -1;
    m_iSelectedEntry = -1;
}

void CSettingsStore::Load(const char* fileName)
{
    Clear();
    m_uiStatus = CannotOpen;
    if (!fileName || !*fileName)
        return;

    const std::string path = plat::ResolvePath(fileName);
    std::error_code ec;
    FILE* f = std::filesystem::is_directory(path, ec) ? nullptr : std::fopen(path.c_str(), "rt");
    if (!f)
    {
        std::printf("Could not open input file %s\n", fileName);
        std::fflush(stdout);
        return;
    }

    long length = -1;
    if (std::fseek(f, 0, SEEK_END) == 0)
        length = std::ftell(f);
    if (length < 0 || std::fseek(f, 0, SEEK_SET) != 0)
    {
        std::fclose(f);
        return;
    }
    if (length > kMaxSettingsFileSize)
    {
        std::fclose(f);
        m_uiStatus = CannotParse;
        return;
    }

    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    const size_t got = std::fread(buffer.data(), 1, static_cast<size_t>(length), f);
    const bool readError = std::ferror(f) != 0;
    std::fclose(f);
    if (readError)
        return;
    buffer[got] = '\0';
    Parse(buffer.data(), buffer.data() + got);
}

bool CSettingsStore::Parse(const char* text, const char* end)
{
    Clear();
    // The text ends at the first NUL.
    const void* nul = std::memchr(text, '\0', static_cast<size_t>(end - text));
    if (nul)
        end = static_cast<const char*>(nul);
    const bool ok = ParseText(text, end);
    m_uiStatus = ok ? Loaded : CannotParse;
    return ok;
}

bool CSettingsStore::ParseText(const char* text, const char* end)
{
    CLineCounter lines(text, end);
    SSettingsGrammar grammar(m_Sections, lines);
    const char* pos = text;
    CScanner scan(pos, end);
    return grammar.file.Parse(scan) >= 0 && pos == end;
}

bool CSettingsStore::SelectSection(const std::string& name)
{
    for (size_t i = 0; i < m_Sections.size(); ++i)
        if (m_Sections[i].name == name)
        {
            m_iSelectedSection = static_cast<int32_t>(i);
            m_iSelectedEntry = -1;
            return true;
        }
    return false;
}

std::string CSettingsStore::GetValue(const std::string& key)
{
    if (m_iSelectedSection < 0 || static_cast<size_t>(m_iSelectedSection) >= m_Sections.size())
        return std::string();
    const std::vector<SSettingsEntry>& entries = m_Sections[m_iSelectedSection].entries;
    for (size_t i = 0; i < entries.size(); ++i)
        if (entries[i].key == key)
        {
            m_iSelectedEntry = static_cast<int32_t>(i);
            return entries[i].value;
        }
    return std::string();
}
