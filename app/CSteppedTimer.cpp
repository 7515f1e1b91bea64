#include "app/CSteppedTimer.h"

#include <cerrno>
#include <cstdlib>

bool ParseTestSeed(const char* text, uint32_t& seed)
{
    if (!text || *text < '0' || *text > '9')
        return false;
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || v > 0xFFFFFFFFull)
        return false;
    seed = static_cast<uint32_t>(v);
    return true;
}
