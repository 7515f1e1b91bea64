#pragma once

// Win32 conversions between multi-byte and wide text. Narrow text is UTF-8
// everywhere on this system (file names are UTF-8 bytes), so CP_ACP and
// CP_UTF8 are the same code page; wide text is wchar_t, one code point each.

#include <cstdint>
#include <string>

namespace plat
{

typedef uint32_t UINT;
typedef uint32_t DWORD;

constexpr UINT CP_ACP = 0;
constexpr UINT CP_UTF8 = 65001;

// Decodes count bytes of src (-1: up to and including the terminator) into
// dst. With dstCount 0 returns the number of wide characters needed; else
// writes them and returns the number written, or 0 when dst is too small.
// Malformed bytes decode to U+FFFD. flags are ignored.
int MultiByteToWideChar(UINT codePage, DWORD flags, const char* src, int count, wchar_t* dst, int dstCount);

// Encodes count wide characters of src (-1: up to and including the
// terminator) as UTF-8, with the same size rules. Values that are not code
// points encode as U+FFFD. The last three arguments are ignored.
int WideCharToMultiByte(UINT codePage, DWORD flags, const wchar_t* src, int count, char* dst, int dstCount,
                        const char* defaultChar, int* usedDefault);

// Convenience forms over std::string and std::wstring.
std::wstring Utf8ToWide(const std::string& text);
std::string WideToUtf8(const std::wstring& text);

} // namespace plat
