#include "platform/sys/SystemInfo.h"

#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <string>
#include <unistd.h>

namespace plat
{

namespace
{

// Copies text with its terminator when it fits; the rules shared by both calls.
bool CopyOut(const std::string& text, char* buffer, DWORD size)
{
    if (buffer == nullptr || text.size() + 1 > size)
        return false;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return true;
}

} // namespace

DWORD GetTempPathA(DWORD size, char* buffer)
{
    const char* env = std::getenv("TMPDIR");
    std::string path = (env != nullptr && env[0] != 0) ? env : "/tmp";
    if (path.back() != '/')
        path += '/';
    if (!CopyOut(path, buffer, size))
        return static_cast<DWORD>(path.size() + 1);
    return static_cast<DWORD>(path.size());
}

BOOL GetComputerNameA(char* buffer, DWORD* size)
{
    if (size == nullptr)
        return 0;
    char host[MAX_COMPUTERNAME_LENGTH + 1] = {};
    if (gethostname(host, sizeof(host) - 1) != 0)
        return 0;
    const std::string name(host);
    if (!CopyOut(name, buffer, *size))
    {
        *size = static_cast<DWORD>(name.size() + 1);
        return 0;
    }
    *size = static_cast<DWORD>(name.size());
    return 1;
}

bool ReleaseFreeHeap()
{
    return malloc_trim(0) != 0;
}

} // namespace plat
