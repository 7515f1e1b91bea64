#include "scenesdk/importers/KScnForeignReader.h"

#include <cstdio>
#include <string>

namespace scenesdk
{

KScnForeignReader::KScnForeignReader(KScnSdkManager* manager, const char* formatName)
    : mManager(manager), mFormatName(formatName)
{
}

bool KScnForeignReader::OpenFile(const char* fileName)
{
    mStatus = "";
    std::FILE* file = fileName != nullptr && fileName[0] != '\0' ? std::fopen(fileName, "rb") : nullptr;
    if (file == nullptr)
    {
        mError.SetLastErrorID(eFileNotOpened);
        return false;
    }
    std::fclose(file);
    const std::string message = std::string(mFormatName) + " files cannot be read by this build";
    mError.SetLastError(eUnidentifiedError, message.c_str());
    mStatus = message.c_str();
    return false;
}

KStreamOptionsScn* KScnForeignReader::CreateReadOptions(bool /*parse*/)
{
    mError.SetLastErrorID(eFileNotOpened);
    return nullptr;
}

bool KScnForeignReader::ReadScene(KScnSceneRoot* /*scene*/, KStreamOptionsScn* /*options*/)
{
    mError.SetLastErrorID(eFileNotOpened);
    return false;
}

} // namespace scenesdk
