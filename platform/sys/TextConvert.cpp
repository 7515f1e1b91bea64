#include "platform/sys/TextConvert.h"

#include <cstring>
#include <cwchar>

namespace plat
{

namespace
{

constexpr char32_t kReplacement = 0xFFFD;

// Decodes one code point starting at s[i] (n bytes in all) and advances i.
char32_t DecodeOne(const unsigned char* s, size_t n, size_t& i)
{
    const unsigned char b = s[i++];
    if (b < 0x80)
        return b;
    int extra = 0;
    char32_t cp = 0;
    char32_t minimum = 0;
    if ((b & 0xE0) == 0xC0)
    {
        extra = 1, cp = b & 0x1F, minimum = 0x80;
    }
    else if ((b & 0xF0) == 0xE0)
    {
        extra = 2, cp = b & 0x0F, minimum = 0x800;
    }
    else if ((b & 0xF8) == 0xF0)
    {
        extra = 3, cp = b & 0x07, minimum = 0x10000;
    }
    else
        return kReplacement;
    for (int k = 0; k < extra; ++k)
    {
        if (i >= n || (s[i] & 0xC0) != 0x80)
            return kReplacement;
        cp = (cp << 6) | (s[i++] & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        return kReplacement;
    return cp;
}

void EncodeOne(char32_t cp, std::string& out)
{
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
        cp = kReplacement;
    if (cp < 0x80)
        out += static_cast<char>(cp);
    else if (cp < 0x800)
    {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else if (cp < 0x10000)
    {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::wstring Decode(const char* s, size_t n)
{
    std::wstring out;
    const auto* bytes = reinterpret_cast<const unsigned char*>(s);
    for (size_t i = 0; i < n;)
        out += static_cast<wchar_t>(DecodeOne(bytes, n, i));
    return out;
}

std::string Encode(const wchar_t* s, size_t n)
{
    std::string out;
    for (size_t i = 0; i < n; ++i)
        EncodeOne(static_cast<char32_t>(s[i]), out);
    return out;
}

// Shared output rule of both conversions.
template <typename C> int CopyResult(const std::basic_string<C>& text, C* dst, int dstCount)
{
    const int needed = static_cast<int>(text.size());
    if (dstCount == 0)
        return needed;
    if (dst == nullptr || dstCount < needed)
        return 0;
    std::memcpy(dst, text.data(), text.size() * sizeof(C));
    return needed;
}

} // namespace

int MultiByteToWideChar(UINT, DWORD, const char* src, int count, wchar_t* dst, int dstCount)
{
    if (src == nullptr || count == 0 || count < -1 || dstCount < 0)
        return 0;
    const size_t n = count == -1 ? std::strlen(src) + 1 : static_cast<size_t>(count);
    return CopyResult(Decode(src, n), dst, dstCount);
}

int WideCharToMultiByte(UINT, DWORD, const wchar_t* src, int count, char* dst, int dstCount, const char*,
                        int*)
{
    if (src == nullptr || count == 0 || count < -1 || dstCount < 0)
        return 0;
    const size_t n = count == -1 ? std::wcslen(src) + 1 : static_cast<size_t>(count);
    return CopyResult(Encode(src, n), dst, dstCount);
}

std::wstring Utf8ToWide(const std::string& text)
{
    return Decode(text.data(), text.size());
}

std::string WideToUtf8(const std::wstring& text)
{
    return Encode(text.data(), text.size());
}

} // namespace plat
