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

int MessageBoxA(void* /*owner*/, const char* text, const char* caption, uint32_t style)
{
    const char* t = text ? text : "";
    const char* c = caption ? caption : "";
    const bool interactive = std::getenv("VOSTREL_NO_MESSAGEBOX") == nullptr;
    if (interactive && g_Sink && g_Sink(t, c, style))
        return IDOK;
    std::fprintf(stderr, "%s: %s\n", c, t);
    std::fflush(stderr);
    return IDOK;
}

} // namespace plat
