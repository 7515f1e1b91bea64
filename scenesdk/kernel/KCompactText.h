#pragma once

namespace scenesdk
{

// A small text held by many objects (property and channel names): texts of up
// to 23 bytes live in the object itself, longer ones in a heap block of their
// exact size. Reads as a zero-terminated byte string; a null text is stored
// as the empty one.
class KCompactText
{
public:
    KCompactText() { m_Data[0] = m_Data[kTag] = 0; }
    ~KCompactText();
    KCompactText(const KCompactText&) = delete;
    KCompactText& operator=(const KCompactText&) = delete;

    // The text may be the current one. Out of memory it throws std::bad_alloc
    // and the text stays as it was.
    void Set(const char* text);
    KCompactText& operator=(const char* text)
    {
        Set(text);
        return *this;
    }
    const char* Get() const { return m_Data[kTag] != 0 ? Heap() : m_Data; }

private:
    // The last byte tells the forms apart: a short text's terminator (or the
    // zero after it) there, or 1 when the first bytes hold a heap pointer.
    static constexpr int kTag = 23;
    char* Heap() const;
    void FreeHeap();
    char m_Data[24];
};

} // namespace scenesdk
