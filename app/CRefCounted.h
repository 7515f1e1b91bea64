#pragma once

#include <cstdint>

// Base of the long-lived engine and game objects: an intrusive reference
// count, 0 after construction. The object deletes itself through its virtual
// destructor when a release brings the count to 0. Counting is not atomic:
// main thread only.
class CRefCounted
{
public:
    CRefCounted() : m_uiRefCount(0) {}
    virtual ~CRefCounted() {}

    void AddRef() { ++m_uiRefCount; }
    // Counts down and deletes the object at 0.
    void ReleaseRef()
    {
        if (m_uiRefCount > 0 && --m_uiRefCount == 0)
            delete this;
    }
    uint32_t GetRefCount() const { return m_uiRefCount; }

protected:
    // A copy is a new object: it starts unowned.
    CRefCounted(const CRefCounted&) : m_uiRefCount(0) {}
    CRefCounted& operator=(const CRefCounted&) { return *this; }

private:
    // 32 bits: one model can be shared by far more than 65,535 handles.
    uint32_t m_uiRefCount;
};

// Intrusive handle to a CRefCounted object: every non-null handle holds one
// unit of the pointee's count. Raw pointers handed around beside handles do
// not count.
template <class T> class CRefPtr
{
public:
    CRefPtr() : m_pPointer(nullptr) {}
    CRefPtr(T* p) : m_pPointer(p)
    {
        if (m_pPointer)
            Counted(m_pPointer)->AddRef();
    }
    CRefPtr(const CRefPtr& other) : CRefPtr(other.m_pPointer) {}
    // A move hands the other handle's unit of count over: no count changes,
    // and the other handle is null after.
    CRefPtr(CRefPtr&& other) noexcept : m_pPointer(other.m_pPointer) { other.m_pPointer = nullptr; }
    template <class U> CRefPtr(const CRefPtr<U>& other) : CRefPtr(other.Get()) {}
    virtual ~CRefPtr() { Release(); }

    // Holds p instead of the current pointee. Holding the same pointer again
    // changes nothing. The new pointee is counted before the old one is
    // released, so `p = p->child` is safe even when p held the child's only
    // other reference.
    CRefPtr& Assign(T* p)
    {
        if (p == m_pPointer)
            return *this;
        if (p)
            Counted(p)->AddRef();
        T* old = m_pPointer;
        m_pPointer = p;
        if (old)
            Counted(old)->ReleaseRef();
        return *this;
    }
    CRefPtr& operator=(const CRefPtr& other) { return Assign(other.m_pPointer); }
    // Takes the other handle's pointee and unit of count (the other is null
    // after), then releases the old pointee. A move to itself changes
    // nothing.
    CRefPtr& operator=(CRefPtr&& other) noexcept
    {
        if (&other == this)
            return *this;
        T* old = m_pPointer;
        m_pPointer = other.m_pPointer;
        other.m_pPointer = nullptr;
        if (old)
            Counted(old)->ReleaseRef();
        return *this;
    }
    CRefPtr& operator=(T* p) { return Assign(p); }

    // Drops the pointee's unit of count (deleting it at 0); the handle is null after.
    void Release()
    {
        T* old = m_pPointer;
        m_pPointer = nullptr;
        if (old)
            Counted(old)->ReleaseRef();
    }

    T* Get() const { return m_pPointer; }
    T* operator->() const { return m_pPointer; }
    T& operator*() const { return *m_pPointer; }
    explicit operator bool() const { return m_pPointer != nullptr; }
    bool IsNull() const { return m_pPointer == nullptr; }
    bool operator==(const CRefPtr& o) const { return m_pPointer == o.m_pPointer; }
    bool operator!=(const CRefPtr& o) const { return m_pPointer != o.m_pPointer; }

private:
    static CRefCounted* Counted(T* p) { return static_cast<CRefCounted*>(p); }

    T* m_pPointer;
};
