#include "app/CSettings.h"

#include "app/CSettingsStore.h"
#include "app/Log.h"

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

bool CSettings::GetNumber(const std::string& section, const std::string& key, double min, double max,
                          double& number)
{
    std::string value;
    if (!GetValue(section, key, value))
        return false;
    const char* begin = value.c_str();
    char* end = nullptr;
    const double n = std::strtod(begin, &end);
    if (end == begin)
        return false;
    while (*end == ' ' || *end == '\t')
        ++end;
    // NaN fails both comparisons.
    if (*end != '\0' || !(n >= min && n <= max))
        return false;
    number = n;
    return true;
}

bool CSettings::GetWholeNumber(const std::string& section, const std::string& key, long min, long max,
                               long& number)
{
    double n = 0.0;
    if (!GetNumber(section, key, static_cast<double>(min), static_cast<double>(max), n) || n != std::floor(n))
        return false;
    number = static_cast<long>(n);
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
