#include "scenesdk/fileio/KConfigFile.h"

#include "platform/sys/SystemInfo.h"

#include <cstdio>
#include <strings.h>

namespace scenesdk
{

namespace
{

std::string Trim(const std::string& s)
{
    const size_t b = s.find_first_not_of(" \t\r\n");
    if (b == std::string::npos)
    {
        return std::string();
    }
    const size_t e = s.find_last_not_of(" \t\r\n");
    return s.substr(b, e - b + 1);
}

bool SameName(const std::string& a, const char* b)
{
    return strcasecmp(a.c_str(), b) == 0;
}

} // namespace

std::string KConfigFile::ResolveName(const char* name)
{
    if (name == nullptr)
    {
        return std::string();
    }
    if (name[0] != '@')
    {
        return name;
    }
    char computer[plat::MAX_COMPUTERNAME_LENGTH + 1] = "";
    plat::DWORD size = sizeof computer;
    if (!plat::GetComputerNameA(computer, &size))
    {
        computer[0] = '\0';
    }
    return std::string(computer[0] != '\0' ? computer : "localhost") + "-" + (name + 1);
}

KConfigFile::KConfigFile(const char* name, bool load) : m_Path(ResolveName(name))
{
    if (load)
    {
        Load();
    }
}

KConfigFile::~KConfigFile()
{
    if (m_Modified)
    {
        Save();
    }
}

bool KConfigFile::Load()
{
    m_Sections.clear();
    m_Sections.push_back(Section{std::string(), {}}); // keys before any section
    m_Modified = false;
    FILE* f = m_Path.empty() ? nullptr : std::fopen(m_Path.c_str(), "rb");
    if (f == nullptr)
    {
        return false;
    }
    std::string line;
    int c = 0;
    do
    {
        c = std::fgetc(f);
        if (c != '\n' && c != EOF)
        {
            line += static_cast<char>(c);
            continue;
        }
        const std::string t = Trim(line);
        line.clear();
        if (t.empty() || t[0] == ';' || t[0] == '#')
        {
            continue;
        }
        if (t[0] == '[')
        {
            const size_t close = t.find(']');
            m_Sections.push_back(
                Section{Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1)), {}});
            continue;
        }
        const size_t eq = t.find('=');
        if (eq == std::string::npos)
        {
            continue; // not a key line
        }
        m_Sections.back().entries.push_back(Entry{Trim(t.substr(0, eq)), Trim(t.substr(eq + 1))});
    } while (c != EOF);
    const bool ok = std::ferror(f) == 0;
    std::fclose(f);
    return ok;
}

const KConfigFile::Section* KConfigFile::FindSection(const char* name) const
{
    for (const Section& s : m_Sections)
    {
        if (SameName(s.name, name))
        {
            return &s;
        }
    }
    return nullptr;
}

const char* KConfigFile::GetValue(const char* section, const char* key, const char* defaultValue) const
{
    if (section == nullptr || key == nullptr)
    {
        return defaultValue;
    }
    // A section may appear more than once; the first entry found wins.
    for (const Section& s : m_Sections)
    {
        if (!SameName(s.name, section))
        {
            continue;
        }
        for (const Entry& e : s.entries)
        {
            if (SameName(e.key, key))
            {
                return e.value.c_str();
            }
        }
    }
    return defaultValue;
}

void KConfigFile::SetValue(const char* section, const char* key, const char* value)
{
    if (section == nullptr || key == nullptr)
    {
        return;
    }
    const std::string text = value != nullptr ? value : "";
    if (m_Sections.empty())
    {
        m_Sections.push_back(Section{std::string(), {}});
    }
    Section* target = const_cast<Section*>(FindSection(section));
    if (target == nullptr)
    {
        m_Sections.push_back(Section{section, {}});
        target = &m_Sections.back();
    }
    for (Entry& e : target->entries)
    {
        if (SameName(e.key, key))
        {
            if (e.value != text)
            {
                e.value = text;
                m_Modified = true;
            }
            return;
        }
    }
    target->entries.push_back(Entry{key, text});
    m_Modified = true;
}

bool KConfigFile::Save()
{
    FILE* f = m_Path.empty() ? nullptr : std::fopen(m_Path.c_str(), "wb");
    if (f == nullptr)
    {
        return false;
    }
    std::string out;
    for (const Section& s : m_Sections)
    {
        if (s.entries.empty() && s.name.empty())
        {
            continue;
        }
        if (!s.name.empty())
        {
            out += "[" + s.name + "]\n";
        }
        for (const Entry& e : s.entries)
        {
            out += e.key + " = " + e.value + "\n";
        }
    }
    const bool ok = std::fwrite(out.data(), 1, out.size(), f) == out.size();
    if (std::fclose(f) != 0 || !ok)
    {
        return false;
    }
    m_Modified = false;
    return true;
}

} // namespace scenesdk
