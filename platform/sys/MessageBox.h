#pragma once

#include <cstdint>

namespace plat
{

constexpr uint32_t MB_OK = 0x00000000u;
constexpr uint32_t MB_ICONERROR = 0x00000010u;
constexpr uint32_t MB_ICONWARNING = 0x00000030u;
constexpr uint32_t MB_ICONINFORMATION = 0x00000040u;
constexpr uint32_t MB_TASKMODAL = 0x00002000u;
constexpr uint32_t MB_SETFOREGROUND = 0x00010000u;
constexpr uint32_t MB_TOPMOST = 0x00040000u;
constexpr int IDOK = 1;

// Shows a modal message box and returns IDOK when it is closed. Without a
// windowing layer, or when no user can answer (no display, or the variable
// VOSTREL_NO_MESSAGEBOX set, as in tests and CI), the text goes to the
// standard error stream as "caption: text" and the call returns at once.
int MessageBoxA(void* owner, const char* text, const char* caption, uint32_t style);

// The windowing layer installs the function that shows real boxes; it returns
// false when it could not show one, and the text then goes to standard error.
typedef bool (*MessageBoxSink)(const char* text, const char* caption, uint32_t style);
void SetMessageBoxSink(MessageBoxSink sink);

} // namespace plat
