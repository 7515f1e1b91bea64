#include "scenesdk/kernel/KCompactText.h"

#include <cstdlib>
#include <cstring>

namespace scenesdk
{

KCompactText::~KCompactText()
{
    std::free(m_Heap);
}

void KCompactText::Set(const char* text)
{
    if (!text)
    {
        text = "";
    }
    const size_t size = std::strlen(text) + 1;
    if (size <= sizeof(m_Small))
    {
        // memmove: the text may be the current short one.
        std::memmove(m_Small, text, size);
        std::free(m_Heap);
        m_Heap = nullptr;
        return;
    }
    char* block = static_cast<char*>(std::malloc(size));
    if (!block)
    {
        std::free(m_Heap);
        m_Heap = nullptr;
        m_Small[0] = 0;
        return;
    }
    std::memcpy(block, text, size);
    std::free(m_Heap);
    m_Heap = block;
}

} // namespace scenesdk
