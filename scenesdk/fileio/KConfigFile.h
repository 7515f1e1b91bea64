#pragma once

// KConfigFile: the scene SDK's settings file, "[section]" lines followed by
// "key = value" lines; lines whose first non-blank character is ';' or '#' are
// comments. Section and key names match without regard to case.
//
// A name beginning with "@" is a per-computer file: "@Application.txt" is
// "<computer name>-Application.txt". The SDK reads no environment variables,
// so its configuration folder is the working directory. Other names are used
// as given.
//
// A missing or unreadable file reads as empty, so every GetValue gives its
// default. Nothing is written unless SetValue changed a value; the destructor
// then saves the file.

#include <deque>
#include <string>

namespace scenesdk
{

class KConfigFile
{
public:
    KConfigFile(const char* name, bool load = true);
    ~KConfigFile();
    KConfigFile(const KConfigFile&) = delete;
    KConfigFile& operator=(const KConfigFile&) = delete;

    // The value text, or defaultValue when the section or key is absent (or
    // section or key is null). The text stays valid until that value is set
    // again, the file is loaded again or the object is destroyed; adding other
    // keys or sections leaves it in place.
    const char* GetValue(const char* section, const char* key, const char* defaultValue) const;
    // Sets or adds a value; marks the file modified when the text changes.
    void SetValue(const char* section, const char* key, const char* value);

    // Replaces the contents with the file's; false when it cannot be read.
    bool Load();
    // Writes the file now; false when it cannot be written.
    bool Save();
    bool IsModified() const { return m_Modified; }
    const char* GetFileName() const { return m_Path.c_str(); }

    // The path a configuration name stands for ("@" names resolved).
    static std::string ResolveName(const char* name);

private:
    struct Entry
    {
        std::string key;
        std::string value;
    };
    // Deques: growing one moves no element, so the texts GetValue handed out
    // stay where they are (a moved short string would take its text along).
    struct Section
    {
        std::string name;
        std::deque<Entry> entries;
    };

    const Section* FindSection(const char* name) const;

    std::string m_Path;
    std::deque<Section> m_Sections;
    bool m_Modified = false;
};

} // namespace scenesdk
