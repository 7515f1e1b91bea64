#pragma once

#include <cstdint>
#include <string>

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

// A box's text is wrapped to lines of at most this many characters, so that
// a long message fits a 1024-pixel screen.
constexpr size_t kMessageBoxColumns = 80;

// Shows a modal message box and returns IDOK when it is closed. Without a
// windowing layer, or when no user can answer (no display, or the variable
// VOSTREL_NO_MESSAGEBOX set, as in tests and CI), the text goes to the
// standard error stream as "caption: text" and the call returns at once.
int MessageBoxA(void* owner, const char* text, const char* caption, uint32_t style);

// The box of MessageBoxA without the fallback: true when a box was shown
// (and closed), false when none could be (nothing printed then). For a
// caller that prints the text on standard error itself.
bool ShowMessageBox(const char* text, const char* caption, uint32_t style);

// text with every line longer than width characters broken at its last
// blank within width (the blank dropped), or cut at width when it has none
// there; line breaks already in text stay.
std::string WrapText(const std::string& text, size_t width);

// The windowing layer installs the function that shows real boxes; it returns
// false when it could not show one, and the text then goes to standard error.
typedef bool (*MessageBoxSink)(const char* text, const char* caption, uint32_t style);
void SetMessageBoxSink(MessageBoxSink sink);

} // namespace plat
