#include "scenesdk/kernel/KScnIO.h"

#include "scenesdk/fileio/KStreamOptionsScn.h"

#include <string>

namespace scenesdk
{

namespace
{

const char* const kIOMessages[KScnIO::eErrorCount] = {
    "File is corrupted",
    "File version is not supported yet",
    "File version is not supported anymore",
    "File not opened",
    "File not created",
    "Out of disk space",
    "Uninitialized filename, use method Initialize(char* pFilename) first",
    "Unidentified error",
    "Index out of range",
    "Password error",
    "Stream options not set",
};

constexpr int kFileVersion = 6000;

} // namespace

KScnIO::KScnIO(KScnSdkManager* manager) : m_Error(kIOMessages, eErrorCount), m_Manager(manager) {}

KScnIO::~KScnIO() = default;

bool KScnIO::Initialize(const char* fileName)
{
    m_FileName = fileName != nullptr ? fileName : "";
    return true;
}

KString KScnIO::GetFileName() const
{
    return m_FileName;
}

void KScnIO::GetCurrentVersion(int* major, int* minor, int* revision)
{
    if (major != nullptr)
        *major = kFileVersion / 1000;
    if (minor != nullptr)
        *minor = kFileVersion % 1000 / 100;
    if (revision != nullptr)
        *revision = kFileVersion % 100;
}

void KScnIO::ReportProgress(void* object, const char* text, const char* detail, double value)
{
    if (m_OptionsInUse == nullptr)
        return;
    if (detail == nullptr)
    {
        m_OptionsInUse->ReportProgress(object, text, value);
        return;
    }
    std::string message = text != nullptr ? text : "";
    if (*detail != '\0')
        message += std::string(" - ") + detail;
    m_OptionsInUse->ReportProgress(object, message.c_str(), value);
}

} // namespace scenesdk
