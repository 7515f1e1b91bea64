#include "scenesdk/fileio/KScnExtractFileExtension.h"

#include <cstring>

namespace scenesdk
{

KString KScnExtractFileExtension(const char* path)
{
    if (path == nullptr)
        return KString("");
    char copy[1024];
    std::strncpy(copy, path, sizeof copy - 1);
    copy[sizeof copy - 1] = '\0';
    const char* dot = std::strrchr(copy, '.');
    const char* slash = std::strrchr(copy, '/');
    const char* backslash = std::strrchr(copy, '\\');
    if (dot == nullptr || (slash != nullptr && slash > dot) || (backslash != nullptr && backslash > dot))
        return KString("");
    return KString(dot + 1);
}

} // namespace scenesdk
