#include "platform/sys/W32Files.h"

#include "platform/sys/PathResolver.h"

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <string>
#include <unistd.h>

namespace plat
{
namespace
{

// Handles carry the descriptor plus one, so that descriptor 0 is not null.
HANDLE ToHandle(int fd)
{
    return reinterpret_cast<HANDLE>(static_cast<intptr_t>(fd) + 1);
}

int ToFd(HANDLE h)
{
    if (h == INVALID_HANDLE_VALUE || h == nullptr)
        return -1;
    return static_cast<int>(reinterpret_cast<intptr_t>(h) - 1);
}

} // namespace

HANDLE CreateFileA(const char* name, DWORD access, DWORD /*shareMode*/, void* /*security*/, DWORD creation,
                   DWORD /*attributes*/, HANDLE /*templateFile*/)
{
    if (!name || !*name)
        return INVALID_HANDLE_VALUE;
    int flags = 0;
    const bool rd = (access & GENERIC_READ) != 0;
    const bool wr = (access & GENERIC_WRITE) != 0;
    if (rd && wr)
        flags = O_RDWR;
    else if (wr)
        flags = O_WRONLY;
    else
        flags = O_RDONLY;
    switch (creation)
    {
    case CREATE_NEW:
        flags |= O_CREAT | O_EXCL;
        break;
    case CREATE_ALWAYS:
        flags |= O_CREAT | O_TRUNC;
        break;
    case OPEN_ALWAYS:
        flags |= O_CREAT;
        break;
    case TRUNCATE_EXISTING:
        flags |= O_TRUNC;
        break;
    case OPEN_EXISTING:
    default:
        break;
    }
    flags |= O_CLOEXEC;
    std::string path = ResolvePath(name);
    int fd = ::open(path.c_str(), flags, 0644);
    if (fd < 0)
        return INVALID_HANDLE_VALUE;
    if (flags & O_CREAT)
        ClearPathCache();
    return ToHandle(fd);
}

DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method)
{
    int fd = ToFd(file);
    if (fd < 0 || distanceHigh)
        return INVALID_SET_FILE_POINTER;
    int whence = method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : SEEK_SET;
    off_t pos = ::lseek(fd, static_cast<off_t>(distance), whence);
    if (pos < 0)
        return INVALID_SET_FILE_POINTER;
    return static_cast<DWORD>(pos);
}

BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, void* /*overlapped*/)
{
    if (read)
        *read = 0;
    int fd = ToFd(file);
    if (fd < 0 || (!buffer && count))
        return 0;
    DWORD total = 0;
    char* out = static_cast<char*>(buffer);
    while (total < count)
    {
        ssize_t n = ::read(fd, out + total, count - total);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            return 0;
        }
        if (n == 0)
            break;
        total += static_cast<DWORD>(n);
    }
    if (read)
        *read = total;
    return 1;
}

BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, void* /*overlapped*/)
{
    if (written)
        *written = 0;
    int fd = ToFd(file);
    if (fd < 0 || (!buffer && count))
        return 0;
    DWORD total = 0;
    const char* in = static_cast<const char*>(buffer);
    while (total < count)
    {
        ssize_t n = ::write(fd, in + total, count - total);
        if (n < 0)
        {
            if (errno == EINTR)
                continue;
            if (written)
                *written = total;
            return 0;
        }
        total += static_cast<DWORD>(n);
    }
    if (written)
        *written = total;
    return 1;
}

BOOL CloseHandle(HANDLE file)
{
    int fd = ToFd(file);
    if (fd < 0)
        return 0;
    return ::close(fd) == 0;
}

BOOL QueryPerformanceFrequency(int64_t* frequency)
{
    if (!frequency)
        return 0;
    *frequency = 1000000000;
    return 1;
}

BOOL QueryPerformanceCounter(int64_t* count)
{
    if (!count)
        return 0;
    timespec ts;
    if (::clock_gettime(CLOCK_MONOTONIC, &ts) != 0)
        return 0;
    *count = static_cast<int64_t>(ts.tv_sec) * 1000000000 + ts.tv_nsec;
    return 1;
}

DWORD timeGetTime()
{
    timespec ts;
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<DWORD>(static_cast<uint64_t>(ts.tv_sec) * 1000u + ts.tv_nsec / 1000000);
}

} // namespace plat
