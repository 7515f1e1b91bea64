#pragma once

#include "platform/sys/W32Files.h"

#include <string>

// A thin wrapper over a file handle of the platform's Win32 file layer. The
// handle is INVALID_HANDLE_VALUE whenever no file is open.
class CW32File
{
public:
    CW32File();
    virtual void Close();
    // Closes the file when one is open.
    virtual ~CW32File();

    CW32File(const CW32File&) = delete;
    CW32File& operator=(const CW32File&) = delete;

    // Opens or creates the file (names resolve as on a case-insensitive file
    // system); true when a handle was obtained.
    bool Open(const std::string& name, plat::DWORD access, plat::DWORD creation, plat::DWORD share,
              plat::DWORD attributes);
    // Moves the file position; origin is FILE_BEGIN, FILE_CURRENT or FILE_END.
    bool Seek(int32_t offset, plat::DWORD origin);
    // Bytes read, 0 on failure; a count of 0 returns 1 without touching the file.
    unsigned int Read(void* buffer, unsigned int count);
    // True when the write succeeded with at least one byte; a count of 0 is
    // true without touching the file.
    bool Write(const void* buffer, unsigned int count);

    bool IsOpen() const { return m_hFile != INVALID_HANDLE_VALUE; }

private:
    plat::HANDLE m_hFile;
};
