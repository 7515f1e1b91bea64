#include "scenesdk/kernel/KCompactText.h"

#include "scenesdk/kernel/KHeap.h"

#include <cstdlib>
#include <cstring>

namespace scenesdk
{

KCompactText::~KCompactText()
{
    FreeHeap();
}

char* KCompactText::Heap() const
{
    char* block = nullptr;
    std::memcpy(&block, m_Data, sizeof(block));
    return block;
}

void KCompactText::FreeHeap()
{
    if (m_Data[kTag] != 0)
    {
        std::free(Heap());
        m_Data[0] = m_Data[kTag] = 0;
    }
}

void KCompactText::Set(const char* text)
{
    if (!text)
    {
        text = "";
    }
    const size_t size = std::strlen(text) + 1;
    if (size <= sizeof(m_Data))
    {
        // Through a copy: the text may be the current one (inline or on the heap).
        char copy[sizeof(m_Data)];
        std::memcpy(copy, text, size);
        FreeHeap();
        std::memcpy(m_Data, copy, size);
        m_Data[kTag] = 0;
        return;
    }
    char* block = static_cast<char*>(KHeapAlloc(size)); // throwing, the text stays
    std::memcpy(block, text, size);
    FreeHeap();
    std::memcpy(m_Data, &block, sizeof(block));
    m_Data[kTag] = 1;
}

} // namespace scenesdk
