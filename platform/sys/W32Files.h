#pragma once

// The few Win32 file and timer calls the program uses, over POSIX. Names and
// constants keep their Win32 spelling so calling code reads as on Windows.
// Paths go through plat::ResolvePath.

#include <cstdint>

namespace plat
{

typedef void* HANDLE;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef int BOOL;

// All bits set: no file open.
#define INVALID_HANDLE_VALUE (reinterpret_cast<::plat::HANDLE>(~static_cast<uintptr_t>(0)))

constexpr DWORD GENERIC_READ = 0x80000000u;
constexpr DWORD GENERIC_WRITE = 0x40000000u;

constexpr DWORD FILE_SHARE_READ = 0x00000001u;
constexpr DWORD FILE_SHARE_WRITE = 0x00000002u;

constexpr DWORD CREATE_NEW = 1;
constexpr DWORD CREATE_ALWAYS = 2;
constexpr DWORD OPEN_EXISTING = 3;
constexpr DWORD OPEN_ALWAYS = 4;
constexpr DWORD TRUNCATE_EXISTING = 5;

constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x00000080u;

constexpr DWORD FILE_BEGIN = 0;
constexpr DWORD FILE_CURRENT = 1;
constexpr DWORD FILE_END = 2;

// SetFilePointer's failure value.
constexpr DWORD INVALID_SET_FILE_POINTER = 0xFFFFFFFFu;

// Opens or creates a file. Share modes are ignored (POSIX has none); new files
// get mode 0644. Returns INVALID_HANDLE_VALUE on failure.
HANDLE CreateFileA(const char* name, DWORD access, DWORD shareMode, void* security, DWORD creation,
                   DWORD attributes, HANDLE templateFile);

// Moves the file position; returns the new low 32 bits of the position, or
// INVALID_SET_FILE_POINTER on failure. The high part is not supported and
// must be null.
DWORD SetFilePointer(HANDLE file, LONG distance, LONG* distanceHigh, DWORD method);

// Reads up to count bytes; *read receives the count actually read (0 at the end).
BOOL ReadFile(HANDLE file, void* buffer, DWORD count, DWORD* read, void* overlapped);

// Writes count bytes, looping over short writes; *written receives the count written.
BOOL WriteFile(HANDLE file, const void* buffer, DWORD count, DWORD* written, void* overlapped);

BOOL CloseHandle(HANDLE file);

// Performance counter: ticks of a monotonic clock and their rate per second.
BOOL QueryPerformanceFrequency(int64_t* frequency);
BOOL QueryPerformanceCounter(int64_t* count);

// Milliseconds of a monotonic clock.
DWORD timeGetTime();

} // namespace plat
