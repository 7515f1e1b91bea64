#include "app/CSettings.h"

#include "app/CSettingsStore.h"
#include "app/Log.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <new>

CSettings* CSettings::s_pInstance = nullptr;

CSettings::CSettings() : m_pStore(new CSettingsStore) {}

CSettings::~CSettings()
{
    delete m_pStore;
}

CSettings* CSettings::CreateInstance()
{
    if (!s_pInstance)
        s_pInstance = new (std::nothrow) CSettings;
    return s_pInstance;
}

void CSettings::DestroyInstance()
{
    delete s_pInstance;
    s_pInstance = nullptr;
}

bool CSettings::Load(const char* fileName)
{
    m_FileName = fileName ? fileName : "";
    m_LoggedNotes.clear();
    m_pStore->Load(fileName);
    switch (m_pStore->GetStatus())
    {
    case CSettingsStore::Loaded:
        return true;
    case CSettingsStore::CannotOpen:
        Log(1, "Error: Cannot open the \"settings.ini\" file !");
        return false;
    default:
        Log(1, "Error: Cannot parse the \"settings.ini\" file !");
        return false;
    }
}

bool CSettings::GetValue(const std::string& section, const std::string& key, std::string& value)
{
    if (m_pStore->GetStatus() != CSettingsStore::Loaded || !m_pStore->SelectSection(section))
        return false;
    value = m_pStore->GetValue(key);
    return !value.empty();
}

namespace
{

// The leading number of text as the C library reads it; false when the text
// starts with no number. A finite number too large for a double reads as the
// largest double of its sign, so that it can still be clamped; "inf" and
// "nan" read as themselves. length receives the number's text length after
// the leading blanks.
bool LeadingNumber(const char* text, bool whole, double& number, size_t& length)
{
    while (*text == ' ' || *text == '\t')
        ++text;
    char* end = nullptr;
    errno = 0;
    if (whole)
    {
        const long n = std::strtol(text, &end, 10);
        number = static_cast<double>(n);
    }
    else
    {
        number = std::strtod(text, &end);
        if (errno == ERANGE && std::isinf(number))
            number = std::copysign(DBL_MAX, number);
    }
    length = static_cast<size_t>(end - text);
    return end != text;
}

} // namespace

bool CSettings::GetNumber(const std::string& section, const std::string& key, double min, double max,
                          double& number)
{
    std::string value;
    double n = 0.0;
    size_t length = 0;
    if (!GetValue(section, key, value) || !LeadingNumber(value.c_str(), false, n, length))
        return false;
    // NaN fails both comparisons.
    if (!std::isfinite(n) || !(n >= min && n <= max))
        return false;
    number = n;
    return true;
}

bool CSettings::GetLimitedNumber(const std::string& section, const std::string& key,
                                 const SNumberLimits& limits, double& number)
{
    std::string value;
    double n = 0.0;
    size_t length = 0;
    if (!GetValue(section, key, value) || !LeadingNumber(value.c_str(), limits.whole, n, length) ||
        !std::isfinite(n) || (n < limits.min && !limits.clampBelow))
        return false;
    NoteIgnoredText(key, value, length);
    const std::string written = value.substr(value.find_first_not_of(" \t"), length);
    char line[512];
    if (n > limits.max)
    {
        std::snprintf(line, sizeof line, "%s %s is more than %g; %g is used", key.c_str(), written.c_str(),
                      limits.max, limits.max);
        LogOnce(line);
        n = limits.max;
    }
    else if (n < limits.min)
    {
        std::snprintf(line, sizeof line, "%s %s is less than %g; %g is used", key.c_str(), written.c_str(),
                      limits.min, limits.min);
        LogOnce(line);
        n = limits.min;
    }
    number = n;
    return true;
}

void CSettings::NoteIgnoredText(const std::string& key, const std::string& value, size_t numberLength)
{
    const size_t start = value.find_first_not_of(" \t");
    if (start == std::string::npos)
        return;
    const size_t last = value.find_last_not_of(" \t");
    const size_t rest = value.find_first_not_of(" \t", start + numberLength);
    if (rest == std::string::npos || value[rest] == '#' || value[rest] == ';' ||
        value.compare(rest, 2, "//") == 0)
        return;
    LogOnce(key + " \"" + value.substr(start, last + 1 - start) + "\": \"" +
            value.substr(rest, last + 1 - rest) + "\" after " + value.substr(start, numberLength) +
            " is ignored");
}

void CSettings::LogOnce(const std::string& line)
{
    if (m_LoggedNotes.insert(line).second)
        Log(1, "%s", line.c_str());
}

uint32_t CSettings::GetLine(const std::string& section, const std::string& key) const
{
    if (m_pStore->GetStatus() != CSettingsStore::Loaded)
        return 0;
    for (const SSettingsSection& s : m_pStore->GetSections())
    {
        if (s.name != section)
            continue;
        if (key.empty())
            return s.line;
        for (const SSettingsEntry& entry : s.entries)
            if (entry.key == key)
                return entry.line;
        return 0;
    }
    return 0;
}

std::string CSettings::DescribeKey(const std::string& section, const std::string& key) const
{
    if (!HasSection(section))
        return "settings.ini has no section [" + section + "]";
    if (key.empty())
        return "settings.ini line " + std::to_string(GetLine(section, key)) + ": [" + section + "]";
    const uint32_t line = GetLine(section, key);
    if (line == 0)
        return "settings.ini has no \"" + key + "\" in [" + section + "]";
    std::string value;
    for (const SSettingsSection& s : m_pStore->GetSections())
        if (s.name == section)
        {
            for (const SSettingsEntry& entry : s.entries)
                if (entry.key == key)
                {
                    value = entry.value;
                    break;
                }
            break;
        }
    return "settings.ini line " + std::to_string(line) + ": [" + section + "] " + key + " = " + value;
}

bool CSettings::HasSection(const std::string& section) const
{
    if (m_pStore->GetStatus() != CSettingsStore::Loaded)
        return false;
    for (const SSettingsSection& s : m_pStore->GetSections())
        if (s.name == section)
            return true;
    return false;
}

std::string CSettings::DescribeFault(const SSettingsFault& fault) const
{
    return DescribeKey(fault.section, fault.key) + ": " + fault.need;
}
