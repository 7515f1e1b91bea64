#include "platform/sys/MessageBox.h"

#include <cstdio>
#include <cstdlib>

namespace plat
{
namespace
{
MessageBoxSink g_Sink = nullptr;
}

void SetMessageBoxSink(MessageBoxSink sink)
{
    g_Sink = sink;
}

std::string WrapText(const std::string& text, size_t width)
{
    if (width == 0)
        return text;
    std::string out;
    out.reserve(text.size() + text.size() / width + 1);
    size_t lineStart = 0;
    while (lineStart < text.size())
    {
        const size_t newline = text.find('\n', lineStart);
        const size_t lineEnd = newline == std::string::npos ? text.size() : newline;
        size_t at = lineStart;
        while (lineEnd - at > width)
        {
            // The last blank that leaves at most `width` characters before
            // it; a word longer than a line is cut where the line is full.
            const size_t blank = text.rfind(' ', at + width);
            if (blank != std::string::npos && blank > at)
            {
                out.append(text, at, blank - at);
                at = blank + 1;
            }
            else
            {
                out.append(text, at, width);
                at += width;
            }
            out += '\n';
        }
        out.append(text, at, lineEnd - at);
        if (newline == std::string::npos)
            break;
        out += '\n';
        lineStart = newline + 1;
    }
    return out;
}

bool ShowMessageBox(const char* text, const char* caption, uint32_t style)
{
    if (std::getenv("VOSTREL_NO_MESSAGEBOX") != nullptr || !g_Sink)
        return false;
    const std::string wrapped = WrapText(text ? text : "", kMessageBoxColumns);
    return g_Sink(wrapped.c_str(), caption ? caption : "", style);
}

int MessageBoxA(void* /*owner*/, const char* text, const char* caption, uint32_t style)
{
    if (ShowMessageBox(text, caption, style))
        return IDOK;
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    std::fflush(stderr);
    return IDOK;
}

} // namespace plat
