#include "app/CSettings.h"

#include "app/CSettingsStore.h"
#include "app/Log.h"

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
