#include "app/CSettings.h"

#include "app/CSettingsStore.h"
#include "app/Log.h"

#include <cerrno>
#include <cfloat>
#include <cmath>
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
    const std::string written = value.substr(value.find_first_not_of(" \t"), length);
    if (n > limits.max)
    {
        Log(1, "%s %s is more than %g; %g is used", key.c_str(), written.c_str(), limits.max, limits.max);
        n = limits.max;
    }
    else if (n < limits.min)
    {
        Log(1, "%s %s is less than %g; %g is used", key.c_str(), written.c_str(), limits.min, limits.min);
        n = limits.min;
    }
    number = n;
    return true;
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
