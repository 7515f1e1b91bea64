#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct SSettingsEntry
{
    std::string key;
    std::string value;
    uint32_t line = 0; // of the file, counted from 1
};

struct SSettingsSection
{
    std::string name;
    std::vector<SSettingsEntry> entries; // in file order
    uint32_t line = 0;                   // of the section line; 0 for "Globals"
};

// The parsed content of a settings file: sections and their key/value entries
// in file order, never merged or de-duplicated. Keys before the first section
// line go to a section named "Globals".
//
// File grammar (every line, the last one included, ends with CR, LF or CRLF):
//   comment line   blanks ('#' | ';' | "//") text* line-end
//   block comment  blanks "/*" anything up to the first "*/" blanks line-end
//   section line   blanks '[' blanks name blanks ']' blanks line-end
//   key line       blanks name blanks '=' blanks text* blanks line-end
//   empty line     blanks line-end
// tried in that order. blanks are spaces and tabs; a name is a letter or '_'
// then letters, digits or '_'; text is 0x20-0x7E or tab. The value takes all
// text to the line end, trailing blanks and '#' included. The text ends at
// the first NUL byte. The block-comment rule is recursive, one level per
// byte, so a block comment longer than about 4000 bytes fails the parse.
class CSettingsStore
{
public:
    enum EStatus : uint32_t
    {
        Loaded = 0,
        CannotOpen = 1, // no file name, or the file could not be opened or read
        CannotParse = 2
    };

    CSettingsStore();

    // Empties the store and reads the file; the status says how it went. When
    // the file cannot be opened, "Could not open input file %s\n" is printed
    // to the standard output stream.
    void Load(const char* fileName);
    // Empties the store and parses the text (up to end or the first NUL);
    // true when the whole text parsed. Sets the status to 0 or 2.
    bool Parse(const char* text, const char* end);

    uint32_t GetStatus() const { return m_uiStatus; }
    const std::vector<SSettingsSection>& GetSections() const { return m_Sections; }

    // Selects the first section with exactly that name; when there is none
    // returns false and keeps the previous selection.
    bool SelectSection(const std::string& name);
    // The value of the first entry with exactly that key in the selected
    // section; the empty string when it is not there or nothing is selected.
    std::string GetValue(const std::string& key);

private:
    void Clear();
    bool ParseText(const char* text, const char* end);

    std::vector<SSettingsSection> m_Sections;
    int32_t m_iSelectedSection;
    int32_t m_iSelectedEntry;
    uint32_t m_uiStatus;
};
