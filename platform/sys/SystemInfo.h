#pragma once

// The Win32 calls for the temporary folder and the computer name, and the
// return of the C heap's free memory to the system.

#include <cstdint>

namespace plat
{

typedef uint32_t DWORD;
typedef int BOOL;

// Longest computer name GetComputerNameA returns, without the terminator.
constexpr DWORD MAX_COMPUTERNAME_LENGTH = 255;

// Writes the temporary folder, ending in "/", into buffer. The folder is
// $TMPDIR when set and not empty, else "/tmp". Returns the length without the
// terminator; when size is too small nothing is written and the result is the
// size needed including the terminator. 0 on failure.
DWORD GetTempPathA(DWORD size, char* buffer);

// Writes the host name (gethostname) into buffer. *size gives the buffer size
// and receives the length without the terminator; when the buffer is too
// small *size receives the size needed and the result is 0.
BOOL GetComputerNameA(char* buffer, DWORD* size);

// Gives the free pages of the C heap back to the system (glibc's
// malloc_trim): memory freed after a peak stays resident otherwise. True
// when some went back.
bool ReleaseFreeHeap();

} // namespace plat
