#include "app/Log.h"

#include "app/CW32File.h"
#include "platform/sys/MessageBox.h"
#include "platform/sys/PathResolver.h"

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace
{
// Message buffer size, terminator included.
constexpr size_t kLogBufferSize = 1024;

// A message box says what its message is: an error or a warning by the
// message's first word, else information (a prompt).
const char* Caption(const char* message)
{
    if (std::strncmp(message, "Error", 5) == 0)
        return "Error";
    if (std::strncmp(message, "Warning", 7) == 0)
        return "Warning";
    return "Information";
}

// Appends the message and a line feed; a file that cannot be opened loses
// the line.
void Append(const char* fileName, const char* message, size_t length)
{
    CW32File file;
    if (file.Open(fileName, plat::GENERIC_WRITE, plat::OPEN_ALWAYS, plat::FILE_SHARE_READ,
                  plat::FILE_ATTRIBUTE_NORMAL))
    {
        file.Seek(0, plat::FILE_END);
        file.Write(message, static_cast<unsigned int>(length));
        file.Write("\n", 1);
        file.Close();
    }
}
} // namespace

void Log(unsigned int flags, const char* format, ...)
{
    if (!format || !*format)
        return;

    char message[kLogBufferSize];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(message, sizeof message, format, args);
    va_end(args);
    if (n <= 0 || !message[0])
        return;
    const size_t length = std::strlen(message);

    if (flags & (1 | 16))
        Append("Error.log", message, length);
    if (flags & 32)
        Append("Debug.log", message, length);
    if (flags & 8)
    {
        const uint32_t style = plat::MB_OK | plat::MB_TASKMODAL | plat::MB_SETFOREGROUND | plat::MB_TOPMOST;
        // The standard error line below says it already when no box shows.
        if (flags & (1 | 2))
            plat::ShowMessageBox(message, Caption(message), style);
        else
            plat::MessageBoxA(nullptr, message, Caption(message), style);
    }
    if (flags & 4)
    {
        std::fprintf(stdout, "%s\n", message);
        std::fflush(stdout);
    }
    if (flags & (2 | 1))
    {
        std::fprintf(stderr, "%s\n", message);
        std::fflush(stderr);
    }
}

void ResetLogFiles()
{
    // Resolved like every open, so the file Log appends to is the one removed
    // whatever the letter case of its name on disk.
    std::remove(plat::ResolvePath("Error.log").c_str());
    std::remove(plat::ResolvePath("Debug.log").c_str());
}
