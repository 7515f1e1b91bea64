#pragma once

#include <cstdint>

namespace scenesdk
{

// A property's name in one word. A declared property names itself with text
// its class gives in code, the same for every object of the class: that text
// is kept once for the whole process, in a table that only grows (such names
// are a fixed set), and every property of that name points at it. Any other
// name (a dynamic property's, a renamed one's) is a copy the property owns.
// Reads as a zero-terminated byte string; a null text is stored as the empty one.
class KPropertyName
{
public:
    KPropertyName() = default;
    ~KPropertyName() { FreeOwned(); }
    KPropertyName(const KPropertyName&) = delete;
    KPropertyName& operator=(const KPropertyName&) = delete;

    // An owned copy. The text may be the current one. Out of memory it throws
    // std::bad_alloc and the name stays as it was.
    void Set(const char* text);
    // The process-wide copy of a name given in code (declared properties
    // only: names read from files would make the table grow without end).
    void SetShared(const char* text);
    const char* Get() const { return m_Bits != 0 ? reinterpret_cast<const char*>(m_Bits & ~uintptr_t(1)) : ""; }
    bool IsShared() const { return m_Bits != 0 && (m_Bits & 1) == 0; }

private:
    void FreeOwned();
    // The text's address; the low bit set when the property owns it (an
    // owned block is aligned, and so is every shared one).
    uintptr_t m_Bits = 0;
};

} // namespace scenesdk
